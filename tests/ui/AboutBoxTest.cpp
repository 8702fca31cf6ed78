#include "res/DialogTemplate.h"
#include "res/Resource.h"
#include "res/WebPages.h"
#include "ui/AboutBox.h"
#include "ui/MyHyperLink.h"

#include <QGroupBox>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

// Opening the box twice, a click on a link and its closing are tried through
// the main window's About command; here are its texts and where its links lead.
TEST(AboutBoxTest, ShowsItsTextsAndTwoLinksToTheMakersPages) {
    CAboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Ostrela");
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Ostrela Sela", "Version: 2.3.5", "This program is a freeware"})
        EXPECT_TRUE(texts.contains(text)) << text;
    EXPECT_FALSE(texts.contains("Corvane"));
    const auto groups = box.findChildren<QGroupBox*>();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]->title(), "See also");

    auto* tamsel = GetDlgItemAs<CMyHyperLink>(&box, IDC_TAMSEL_LINK);
    auto* brevik = GetDlgItemAs<CMyHyperLink>(&box, IDC_BREVIK_LINK);
    ASSERT_TRUE(tamsel && brevik);
    EXPECT_EQ(box.secondLink, tamsel);
    EXPECT_EQ(box.firstLink, brevik);
    EXPECT_EQ(tamsel->text(), "Tamsel");
    EXPECT_EQ(brevik->text(), "Brevik");
    EXPECT_EQ(tamsel->GetUrl(), WebPageUrl(WebPage::Tamsel));
    EXPECT_EQ(brevik->GetUrl(), WebPageUrl(WebPage::Brevik));
    EXPECT_NE(tamsel->GetUrl(), brevik->GetUrl());
}

} // namespace
