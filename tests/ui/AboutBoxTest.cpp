#include "TestSupport.h"
#include "res/DialogTemplate.h"
#include "res/Resource.h"
#include "res/WebPages.h"
#include "ui/AboutBox.h"
#include "ui/MyHyperLink.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using testing_support::ShellRecorder;

QStringList LabelTexts(const QWidget& box) {
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

TEST(AboutBoxTest, ShowsItsTextsAndTwoLinksToTheMakersPages) {
    CAboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Ostrela");
    const QStringList texts = LabelTexts(box);
    EXPECT_TRUE(texts.contains("Ostrela Sela"));
    EXPECT_TRUE(texts.contains("Version: 2.3.5"));
    EXPECT_TRUE(texts.contains("This program is a freeware"));
    EXPECT_FALSE(texts.contains("Corvane"));
    const auto groups = box.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->title(), "See also");

    auto* tamsel = GetDlgItemAs<CMyHyperLink>(&box, IDC_TAMSEL_LINK);
    auto* brevik = GetDlgItemAs<CMyHyperLink>(&box, IDC_BREVIK_LINK);
    ASSERT_TRUE(tamsel);
    ASSERT_TRUE(brevik);
    EXPECT_EQ(box.secondLink, tamsel);
    EXPECT_EQ(box.firstLink, brevik);
    EXPECT_EQ(tamsel->text(), "Tamsel");
    EXPECT_EQ(brevik->text(), "Brevik");
    EXPECT_EQ(tamsel->GetUrl(), WebPageUrl(WebPage::Tamsel));
    EXPECT_EQ(brevik->GetUrl(), WebPageUrl(WebPage::Brevik));
    EXPECT_NE(tamsel->GetUrl(), brevik->GetUrl());
    for (const CMyHyperLink* link : {tamsel, brevik}) {
        EXPECT_EQ(QUrl(link->GetUrl()).host(), "www.example.com");
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->font().family(), box.font().family());
    }
}

TEST(AboutBoxTest, ShowsTheApplicationIcon) {
    CAboutBox box;
    bool shown = false;
    for (const QLabel* label : box.findChildren<QLabel*>())
        if (GetDlgCtrlID(label) == IDC_STATIC && !label->pixmap().isNull())
            shown = true;
    EXPECT_TRUE(shown);
}

// Runs a fresh box modally: clicks a link, checks it stays open, closes it with OK.
struct RunReport {
    bool startedUnvisited = false;
    bool visitedAfterClick = false;
    bool openAfterClick = false;
    int result = -1;
};

RunReport RunBoxAndClickTamsel() {
    RunReport report;
    CAboutBox box;
    QTimer::singleShot(0, &box, [&] {
        auto* tamsel = GetDlgItemAs<CMyHyperLink>(&box, IDC_TAMSEL_LINK);
        auto* brevik = GetDlgItemAs<CMyHyperLink>(&box, IDC_BREVIK_LINK);
        report.startedUnvisited = !tamsel->IsVisited() && !brevik->IsVisited();
        QTest::mouseClick(tamsel, Qt::LeftButton, {}, QPoint(5, 5));
        report.visitedAfterClick = tamsel->IsVisited() && !brevik->IsVisited();
        report.openAfterClick = box.isVisible();
        QTest::mouseClick(GetDlgItemAs<QPushButton>(&box, IDC_OK), Qt::LeftButton);
    });
    QTimer::singleShot(10000, &box, [&] { box.reject(); });
    report.result = box.exec();
    return report;
}

TEST(AboutBoxTest, ClickedLinkOpensItsPageAndEveryOpeningStartsUnvisited) {
    ShellRecorder shell;
    const RunReport first = RunBoxAndClickTamsel();
    const RunReport second = RunBoxAndClickTamsel();
    for (const RunReport& r : {first, second}) {
        EXPECT_TRUE(r.startedUnvisited);
        EXPECT_TRUE(r.visitedAfterClick);
        EXPECT_TRUE(r.openAfterClick);
        EXPECT_EQ(r.result, QDialog::Accepted);
    }
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[0].file, WebPageUrl(WebPage::Tamsel));
    EXPECT_EQ(shell.requests[0].verb, "open");
    EXPECT_EQ(shell.requests[1].showCommand, SW_SHOWMINIMIZED);
}

TEST(AboutBoxTest, EscapeClosesIt) {
    CAboutBox box;
    QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
    QTimer::singleShot(10000, &box, [&] { box.done(99); });
    EXPECT_EQ(box.exec(), QDialog::Rejected);
}

} // namespace
