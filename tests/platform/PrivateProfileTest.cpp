#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString Path() const { return dir.filePath("option.ini"); }

    void Put(const QByteArray& bytes) {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray Contents() const {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QByteArray Read(const char* section, const char* key, const char* def = "<default>",
                    uint32_t size = 256) {
        std::vector<char> buffer(size + 1, 'x');
        const uint32_t n = GetPrivateProfileString(section, key, def, buffer.data(), size, Path());
        EXPECT_EQ(n, std::strlen(buffer.data()));
        return QByteArray(buffer.data(), n);
    }

    bool Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileString(section, key, value, Path());
    }

    QTemporaryDir dir;
};

// Reading --------------------------------------------------------------------

TEST_F(PrivateProfileTest, MissingFileGivesDefaultWithoutTrailingBlanks) {
    EXPECT_EQ(Read("TaskSetting", "OutputFormat", "  1 \t "), "  1");
    EXPECT_EQ(Read("TaskSetting", "OutputFormat", nullptr), "");
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(PrivateProfileTest, SectionAndKeyMatchWithoutRegardToCase) {
    Put("[taskSETTING]\nOUTPUTformat=3\n");
    EXPECT_EQ(Read("TaskSetting", "OutputFormat"), "3");
    EXPECT_EQ(Read("TASKSETTING", "outputformat"), "3");
}

TEST_F(PrivateProfileTest, NonAsciiNamesMatchWithoutRegardToCase) {
    Put("[Ärger]\nÜber=ja\n");
    EXPECT_EQ(Read("ärger", "über"), "ja");
}

TEST_F(PrivateProfileTest, BlanksAroundNamesAndValuesAreIgnored) {
    Put("  [ TaskSetting ]  \r\n\t Channel \t=\t  0 1 \t\r\n");
    EXPECT_EQ(Read("TaskSetting", "Channel"), "0 1");
    EXPECT_EQ(Read(" TaskSetting ", " Channel "), "0 1");
}

TEST_F(PrivateProfileTest, OneMatchingPairOfQuotesIsStripped) {
    Put("[s]\n"
        "a=\"/home/u/My Audio/\"\n"
        "b='x'\n"
        "c=\"'x'\"\n"
        "d=\"x'\n"
        "e=\"\n"
        "f=\"\"\n"
        "g=  \" padded \"  \n");
    EXPECT_EQ(Read("s", "a"), "/home/u/My Audio/");
    EXPECT_EQ(Read("s", "b"), "x");
    EXPECT_EQ(Read("s", "c"), "'x'");
    EXPECT_EQ(Read("s", "d"), "\"x'");
    EXPECT_EQ(Read("s", "e"), "\"");
    EXPECT_EQ(Read("s", "f"), "");
    EXPECT_EQ(Read("s", "g"), " padded ");
}

TEST_F(PrivateProfileTest, FirstDuplicateKeyAndFirstDuplicateSectionWin) {
    Put("[s]\nk=first\nk=second\n[other]\nk=elsewhere\n[S]\nk=later\nonly=later\n");
    EXPECT_EQ(Read("s", "k"), "first");
    EXPECT_EQ(Read("s", "only"), "<default>");
    EXPECT_EQ(Read("other", "k"), "elsewhere");
}

TEST_F(PrivateProfileTest, LinesThatAreNotKeys) {
    Put("k=before any section\n"
        "[s]\n"
        ";k=commented\n"
        "  ;j=commented\n"
        "just text\n"
        "j=value;with#marks\n");
    EXPECT_EQ(Read("s", "k"), "<default>");
    EXPECT_EQ(Read("s", ";k"), "<default>");
    EXPECT_EQ(Read("s", "just text"), "<default>");
    EXPECT_EQ(Read("s", "j"), "value;with#marks");
}

TEST_F(PrivateProfileTest, KeyOfAnotherSectionIsNotFound) {
    Put("[a]\nk=1\n[b]\nm=2\n");
    EXPECT_EQ(Read("b", "k"), "<default>");
    EXPECT_EQ(Read("c", "k"), "<default>");
}

TEST_F(PrivateProfileTest, EmptyValueIsFoundAndNotTheDefault) {
    Put("[s]\nk=\n");
    EXPECT_EQ(Read("s", "k"), "");
}

TEST_F(PrivateProfileTest, LongValueIsCutToBufferSizeLessOne) {
    Put("[s]\nk=0123456789\n");
    EXPECT_EQ(Read("s", "k", "", 5), "0123");
    EXPECT_EQ(Read("s", "k", "", 11), "0123456789");
    EXPECT_EQ(Read("s", "k", "", 10), "012345678");
    EXPECT_EQ(Read("s", "missing", "abcdef", 4), "abc");
    char untouched = 'x';
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", &untouched, 0, Path()), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(PrivateProfileTest, NullSectionOrKeyGivesTheDefault) {
    Put("[s]\nk=v\n");
    EXPECT_EQ(Read(nullptr, "k"), "<default>");
    EXPECT_EQ(Read("s", nullptr), "<default>");
}

TEST_F(PrivateProfileTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    Put("\xEF\xBB\xBF[s]\r\nk=v\r\n");
    EXPECT_EQ(Read("s", "k"), "v");
    ASSERT_TRUE(Write("s", "k", "w"));
    EXPECT_EQ(Contents(), "\xEF\xBB\xBF[s]\r\nk=w\r\n");
}

// Writing --------------------------------------------------------------------

TEST_F(PrivateProfileTest, FirstWriteCreatesFileWithCrLf) {
    ASSERT_TRUE(Write("TaskSetting", "OutputFormat", "1"));
    ASSERT_TRUE(Write("TaskSetting", "AudioBitrate", "8"));
    EXPECT_EQ(Contents(), "[TaskSetting]\r\nOutputFormat=1\r\nAudioBitrate=8\r\n");
    EXPECT_EQ(Read("TaskSetting", "AudioBitrate"), "8");
}

TEST_F(PrivateProfileTest, WriteDoesNotCreateTheFolder) {
    const QString inMissingFolder = dir.filePath("missing/option.ini");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", inMissingFolder));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing")));
}

TEST_F(PrivateProfileTest, FolderInPlaceOfTheFileIsNeitherReadNorReplaced) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("option.ini"));
    EXPECT_EQ(Read("s", "k"), "<default>");
    EXPECT_FALSE(Write("s", "k", "v"));
    EXPECT_TRUE(QFileInfo(Path()).isDir());
}

TEST_F(PrivateProfileTest, ExistingKeyKeepsPlaceSpellingAndSpacing) {
    Put("; settings\n[taskSetting]\n  outputFORMAT = 2\nChannel=1\n\n[Other]\nx=y\n");
    ASSERT_TRUE(Write("TaskSetting", "OutputFormat", "3"));
    EXPECT_EQ(Contents(),
              "; settings\n[taskSetting]\n  outputFORMAT = 3\nChannel=1\n\n[Other]\nx=y\n");
    ASSERT_TRUE(Write("Other", "X", ""));
    EXPECT_EQ(Contents(),
              "; settings\n[taskSetting]\n  outputFORMAT = 3\nChannel=1\n\n[Other]\nx=\n");
}

TEST_F(PrivateProfileTest, NewKeyGoesAfterLastKeyOfItsSection) {
    Put("[a]\r\nk=1\r\n; note\r\n\r\n[b]\r\nm=2\r\n");
    ASSERT_TRUE(Write("a", "n", "3"));
    EXPECT_EQ(Contents(), "[a]\r\nk=1\r\nn=3\r\n; note\r\n\r\n[b]\r\nm=2\r\n");
}

TEST_F(PrivateProfileTest, NewKeyInSectionWithoutKeysFollowsTheSectionLine) {
    Put("[a]\n; only a comment\n[b]\n");
    ASSERT_TRUE(Write("a", "k", "v"));
    EXPECT_EQ(Contents(), "[a]\nk=v\n; only a comment\n[b]\n");
}

TEST_F(PrivateProfileTest, NewKeyGoesIntoFirstOfDuplicateSections) {
    Put("[s]\na=1\n[s]\nb=2\n");
    ASSERT_TRUE(Write("s", "b", "3"));
    EXPECT_EQ(Contents(), "[s]\na=1\nb=3\n[s]\nb=2\n");
}

TEST_F(PrivateProfileTest, NewSectionGoesAtTheEndWithoutBlankLine) {
    Put("# top\n[Other]\nx = \"quoted\" \n");
    ASSERT_TRUE(Write("TaskSetting", "OutputPath", "/media/usb/MyAudio/"));
    EXPECT_EQ(Contents(),
              "# top\n[Other]\nx = \"quoted\" \n[TaskSetting]\nOutputPath=/media/usb/MyAudio/\n");
}

TEST_F(PrivateProfileTest, LastLineWithoutLineEndGetsOneBeforeAnAddition) {
    Put("[a]\r\nk=1");
    ASSERT_TRUE(Write("a", "n", "2"));
    EXPECT_EQ(Contents(), "[a]\r\nk=1\r\nn=2\r\n");
    Put("[a]\nk=1");
    ASSERT_TRUE(Write("b", "n", "2"));
    EXPECT_EQ(Contents(), "[a]\nk=1\n[b]\nn=2\n");
    Put("[a]\nk=1");
    ASSERT_TRUE(Write("a", "k", "22"));
    EXPECT_EQ(Contents(), "[a]\nk=22");
}

TEST_F(PrivateProfileTest, ValueIsWrittenAsGiven) {
    ASSERT_TRUE(Write("s", "k", " 'spaced' ; not a comment "));
    EXPECT_EQ(Contents(), "[s]\r\nk= 'spaced' ; not a comment \r\n");
    EXPECT_EQ(Read("s", "k"), "'spaced' ; not a comment");
}

TEST_F(PrivateProfileTest, Utf8ValuesRoundTrip) {
    ASSERT_TRUE(Write("TaskSetting", "OutputPath", "/home/zoë/Müzik ♪/"));
    EXPECT_EQ(Read("TaskSetting", "OutputPath"), "/home/zoë/Müzik ♪/");
}

TEST_F(PrivateProfileTest, RefusesWhatWouldBreakTheFile) {
    Put("[s]\nk=v\n");
    EXPECT_FALSE(Write(nullptr, "k", "v"));
    EXPECT_FALSE(Write("s", nullptr, "v"));
    EXPECT_FALSE(Write("s", "k", nullptr));
    EXPECT_FALSE(Write("s", "k", "two\nlines"));
    EXPECT_FALSE(Write("s", "k", "carriage\rreturn"));
    EXPECT_FALSE(Write("s", "a=b", "v"));
    EXPECT_FALSE(Write("s", ";k", "v"));
    EXPECT_FALSE(Write("s", "[k]", "v"));
    EXPECT_FALSE(Write("s", "  ", "v"));
    EXPECT_FALSE(Write("s]x", "k", "v"));
    EXPECT_FALSE(Write("s\n[t", "k", "v"));
    EXPECT_EQ(Contents(), "[s]\nk=v\n");
}

TEST_F(PrivateProfileTest, UnwritableFileFailsAndStaysUnchanged) {
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    Put("[s]\nk=v\n");
    ASSERT_TRUE(QFile::setPermissions(Path(), QFile::ReadOwner));
    EXPECT_FALSE(Write("s", "k", "w"));
    EXPECT_EQ(Read("s", "k"), "v");
}

} // namespace
