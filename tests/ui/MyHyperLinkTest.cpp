#include "TestSupport.h"
#include "ui/MyHyperLink.h"

#include <QDialog>
#include <QImage>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

using testing_support::ShellRecorder;

// A link in a shown dialog; what is checked is the colour really drawn.
class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(12);
        dialog.setFont(font);
        dialog.resize(300, 120);
        link = new CMyHyperLink(&dialog);
        link->setText(QStringLiteral("Tamsel"));
        link->setGeometry(40, 30, 120, 30);
        link->SetUrl(QStringLiteral("https://www.example.com/ostrela/tamsel/"));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    // The one link colour drawn where the label lies, or an invalid colour.
    QColor Drawn() {
        const QImage image = dialog.grab(link->geometry()).toImage();
        QColor found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                for (const QColor& c : {CMyHyperLink::normalColor, CMyHyperLink::hoverColor,
                                        CMyHyperLink::visitedColor})
                    if (image.pixelColor(x, y).rgb() == c.rgb()) {
                        if (found.isValid() && found != c)
                            return QColor(); // two link colours at once
                        found = c;
                    }
        return found;
    }

    void MoveOnto() { QTest::mouseMove(link, QPoint(10, link->height() / 2)); }
    void MoveOff() { QTest::mouseMove(&dialog, QPoint(250, 100)); }

    QDialog dialog;
    CMyHyperLink* link = nullptr;
};

TEST_F(HyperLinkTest, RedWithTheMouseCapturedWhileOverAndAClickOpensThePageOnce) {
    EXPECT_EQ(Drawn(), QColor(0, 0, 255));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().pointSize(), dialog.font().pointSize());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);

    MoveOnto();
    EXPECT_EQ(QWidget::mouseGrabber(), link);
    EXPECT_EQ(Drawn(), QColor(255, 0, 0));
    QTest::mouseMove(link, QPoint(link->width() - 5, link->height() / 2));
    EXPECT_EQ(QWidget::mouseGrabber(), link) << "moving within the label changes nothing";

    MoveOff();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(Drawn(), QColor(0, 0, 255));

    // A click opens the page minimised, visited even when that fails; a double click is
    // one click, a press released off the label none.
    ShellRecorder shell;
    shell.result = false;
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 40, 10));
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_FALSE(link->IsVisited());
    MoveOnto();
    QWindow* window = dialog.windowHandle();
    const QPoint onLink = link->mapTo(&dialog, QPoint(10, link->height() / 2));
    QTest::mouseDClick(window, Qt::LeftButton, {}, onLink);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].file, "https://www.example.com/ostrela/tamsel/");
    EXPECT_EQ(shell.requests[0].showCommand, SW_SHOWMINIMIZED);
    EXPECT_TRUE(link->IsHovering());
    EXPECT_EQ(Drawn(), QColor(5, 34, 143));
    MoveOff();
    MoveOnto();
    EXPECT_EQ(Drawn(), QColor(5, 34, 143));
    QTest::mouseClick(window, Qt::LeftButton, {}, onLink);
    QTest::mouseClick(window, Qt::LeftButton, {}, onLink);
    EXPECT_EQ(shell.requests.size(), 3u);
}

} // namespace
