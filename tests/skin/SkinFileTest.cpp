// Reading skin files: what makes a skin, how names resolve, what is refused.

#include "skin/SkinFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SkinFileTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(testing_support::WriteFile(dir.filePath(name), bytes));
        return dir.filePath(name);
    }

    QTemporaryDir dir;
};

TEST_F(SkinFileTest, RefusesWhatIsNotAFormatOneTextSkinAndLeavesTheSkinAlone) {
    SkinDefinition skin;
    skin.name = "untouched";
    EXPECT_FALSE(ParseSkin("[Colors]\nWindow = #ffffff\n", dir.path(), &skin));
    EXPECT_FALSE(ParseSkin("[Skin]\nFormat = 2\n", dir.path(), &skin));
    EXPECT_FALSE(
        LoadSkinFile(Write("binary.skf", QByteArray("[Skin]\nFormat = 1\n\0\x01", 21)), &skin));
    EXPECT_FALSE(LoadSkinFile(
        Write("huge.skf", "[Skin]\nFormat = 1\n" + QByteArray(kMaxSkinFileSize, '#')), &skin));
    EXPECT_EQ(skin.name, "untouched");
    EXPECT_TRUE(ParseSkin("  [ SKIN ]\r\nformat=1\r\nName = Plain\r\n", dir.path(), &skin));
    EXPECT_EQ(skin.name, "Plain");
}

// Style rules take colour names longest first; of two that differ in case, the last.
TEST_F(SkinFileTest, ResolvesColourAndFontNamesAndKeepsDefaultsForBadValues) {
    SkinDefinition skin;
    ASSERT_TRUE(ParseSkin("[Skin]\nFormat = 1\n"
                          "[Colors]\nCaption = #102030\nAccent = caption\nBad = not-a-colour\n"
                          "CaptionText = #eeeeee\nCAPTIONTEXT = #dddddd\nCaptionTextX = #cccccc\n"
                          "[Fonts]\nBig = Liberation Serif, 20, bold, italic\n"
                          "Odd = DejaVu Sans, 500\n"
                          "[Caption]\nHeight = 999\nBackground = Accent\nFont = Big\n"
                          "[Element Start]\nText = nonsense\nRadius = -3\n"
                          "[Style]\n#ctl1019 { color: @CaptionText; background: @caption; }\n"
                          "QLabel { color: @Unknown; border-color: @CaptionTextY@Caption@; }\n",
                          dir.path(), &skin));
    EXPECT_EQ(FindName(skin.colors, "Bad"), nullptr);
    EXPECT_EQ(skin.caption.height, 28) << "out of range keeps the default";
    EXPECT_EQ(skin.caption.background, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(skin.caption.font.family(), "Liberation Serif");
    EXPECT_TRUE(skin.caption.font.bold() && skin.caption.font.italic());
    ASSERT_NE(FindName(skin.fonts, "ODD"), nullptr);
    EXPECT_NE(FindName(skin.fonts, "odd")->pointSizeF(), 500);
    const SkinElement start = skin.elements.value("start");
    EXPECT_EQ(start.text, QColor(Qt::white));
    EXPECT_EQ(start.radius, 10);
    EXPECT_EQ(skin.styleSheet, "#ctl1019 { color: #dddddd; background: #102030; }\n"
                               "QLabel { color: @Unknown; border-color: #dddddd"
                               "Y#102030@; }");
}

TEST_F(SkinFileTest, ImagesComeOnlyFromBesideTheSkinFile) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(QDir().mkpath(dir.filePath("skin/pics")));
    ASSERT_TRUE(image.save(dir.filePath("skin/pics/start.png")));
    ASSERT_TRUE(image.save(dir.filePath("outside.png")));
    const QString path = Write("skin/my.skf", "[Skin]\nFormat = 1\n"
                                              "[Images]\nGlyph = pics/start.png\n"
                                              "[Caption]\nLogo = ../outside.png\n"
                                              "[Element Start]\nImage = Glyph\n"
                                              "[Element Other]\nImage = " +
                                                  dir.filePath("outside.png").toUtf8() + "\n");
    SkinDefinition skin;
    ASSERT_TRUE(LoadSkinFile(path, &skin));
    EXPECT_EQ(skin.elements.value("start").glyph.size(), QSize(4, 4));
    EXPECT_TRUE(skin.caption.logo.isNull());
    EXPECT_TRUE(skin.elements.value("other").glyph.isNull());
}

// Crafted files may hold 1 MiB of names: the work grows with the file's size,
// and a picture named by any number of entries is read once.
TEST_F(SkinFileTest, WorkGrowsLinearlyWithTheNamesAndReferences) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(dir.filePath("g.png")));
    const auto crafted = [](int n) {
        QString text = "[Skin]\nFormat = 1\n[Colors]\nc0 = #010203\n";
        for (int i = 1; i < n; ++i)
            text += QString("C%1 = c%2\n").arg(i).arg(i - 1);
        text += "[Fonts]\nf0 = DejaVu Sans, 9\n";
        for (int i = 1; i < n; ++i)
            text += QString("F%1 = f%2\n").arg(i).arg(i - 1);
        text += "[Images]\n";
        for (int i = 0; i < n; ++i)
            text += QString("I%1 = g.png\n").arg(i);
        for (int i = 0; i < n; ++i)
            text += QString("[Element E%1]\nFace = c%1\nFont = f%1\nImage = i%1\n").arg(i);
        text += "[Style]\n";
        for (int i = 0; i < n; ++i)
            text += QString("Q { color: @C%1; } @c@").arg(i);
        return text;
    };
    qint64 steps[2] = {};
    for (int k = 0; k < 2; ++k) {
        const int n = 400 << k;
        SkinDefinition skin;
        SkinReadWork work;
        ASSERT_TRUE(ParseSkin(crafted(n), dir.path(), &skin, nullptr, &work));
        EXPECT_EQ(skin.colors.size(), n);
        EXPECT_EQ(skin.elements.value(QString("e%1").arg(n - 1)).face, QColor(1, 2, 3));
        EXPECT_EQ(skin.elements.value("e7").glyph.size(), QSize(2, 2));
        EXPECT_TRUE(skin.styleSheet.endsWith(QString("Q { color: #010203; } @c@")));
        EXPECT_EQ(work.imageReads, 1);
        steps[k] = work.nameSteps;
    }
    EXPECT_GT(steps[0], 400 * 4);
    EXPECT_LE(steps[1], steps[0] * 22 / 10) << steps[0] << " then " << steps[1];
}

} // namespace
