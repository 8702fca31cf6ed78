#include "TestSupport.h"
#include "ui/MyHyperLink.h"

#include <QDialog>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::ShellRecorder;

bool HasPixel(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).rgb() == color.rgb())
                return true;
    return false;
}

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
    void TearDown() override {
        if (QWidget::mouseGrabber())
            QWidget::mouseGrabber()->releaseMouse();
    }

    // What the dialog shows where the label lies.
    QImage Rendered() { return dialog.grab(link->geometry()).toImage(); }

    void MoveOnto() { QTest::mouseMove(link, QPoint(10, link->height() / 2)); }
    void MoveOff() { QTest::mouseMove(&dialog, QPoint(250, 100)); }

    QDialog dialog;
    CMyHyperLink* link = nullptr;
};

TEST_F(HyperLinkTest, FreshLabelIsBlueUnderlinedInTheDialogFontWithAHandCursor) {
    const QImage image = Rendered();
    EXPECT_TRUE(HasPixel(image, CMyHyperLink::normalColor));
    EXPECT_FALSE(HasPixel(image, CMyHyperLink::hoverColor));
    EXPECT_FALSE(HasPixel(image, CMyHyperLink::visitedColor));
    EXPECT_EQ(CMyHyperLink::normalColor, QColor(0, 0, 255));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->font().family(), dialog.font().family());
    EXPECT_EQ(link->font().pointSize(), dialog.font().pointSize());
    EXPECT_FALSE(link->autoFillBackground());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(HyperLinkTest, MouseOverTurnsItRedAndCapturesTheMouseUntilItLeaves) {
    MoveOnto();
    EXPECT_TRUE(link->IsHovering());
    EXPECT_EQ(QWidget::mouseGrabber(), link);
    EXPECT_TRUE(HasPixel(Rendered(), QColor(255, 0, 0)));
    EXPECT_FALSE(HasPixel(Rendered(), CMyHyperLink::normalColor));

    // Moving within the label changes nothing.
    QTest::mouseMove(link, QPoint(link->width() - 5, link->height() / 2));
    EXPECT_TRUE(link->IsHovering());
    EXPECT_EQ(QWidget::mouseGrabber(), link);

    MoveOff();
    EXPECT_FALSE(link->IsHovering());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_TRUE(HasPixel(Rendered(), CMyHyperLink::normalColor));
    EXPECT_FALSE(HasPixel(Rendered(), CMyHyperLink::hoverColor));
}

TEST_F(HyperLinkTest, ClickOpensTheUrlMinimisedAndStaysDarkBlueWhileHovered) {
    ShellRecorder shell;
    MoveOnto();
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(10, link->height() / 2));

    ASSERT_EQ(shell.requests.size(), 1u);
    const ShellRequest& r = shell.requests[0];
    EXPECT_EQ(r.kind, ShellRequest::Open);
    EXPECT_EQ(r.owner, nullptr);
    EXPECT_EQ(r.verb, "open");
    EXPECT_EQ(r.file, "https://www.example.com/ostrela/tamsel/");
    EXPECT_TRUE(r.parameters.isEmpty());
    EXPECT_TRUE(r.directory.isEmpty());
    EXPECT_EQ(r.showCommand, SW_SHOWMINIMIZED);

    EXPECT_TRUE(link->IsVisited());
    EXPECT_TRUE(link->IsHovering());
    EXPECT_TRUE(HasPixel(Rendered(), QColor(5, 34, 143)));
    EXPECT_FALSE(HasPixel(Rendered(), CMyHyperLink::hoverColor));

    MoveOff();
    MoveOnto();
    EXPECT_TRUE(HasPixel(Rendered(), CMyHyperLink::visitedColor));
    EXPECT_FALSE(HasPixel(Rendered(), CMyHyperLink::hoverColor));
    EXPECT_FALSE(HasPixel(Rendered(), CMyHyperLink::normalColor));
}

TEST_F(HyperLinkTest, FailedOpeningStillCountsAsVisited) {
    ShellRecorder shell;
    shell.result = false;
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(shell.requests.size(), 1u);
    EXPECT_TRUE(link->IsVisited());
    EXPECT_TRUE(HasPixel(Rendered(), CMyHyperLink::visitedColor));
}

TEST_F(HyperLinkTest, PressOnTheLabelReleasedElsewhereIsNoClick) {
    ShellRecorder shell;
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 40, 10));
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_FALSE(link->IsVisited());
}

} // namespace
