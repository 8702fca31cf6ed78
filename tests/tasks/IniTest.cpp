#include "tasks/Ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini.SetPathName(Path());
    }

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

    QString Text(const char* section, const char* key, const char* def = nullptr) const {
        QString value;
        ini.GetString(section, key, value, def);
        return value;
    }

    QTemporaryDir dir;
    CIni ini;
};

// Reading strings -------------------------------------------------------------

TEST_F(IniTest, ThreeFormsAgree) {
    Put("[TaskSetting]\nOutputPath = \"/media/data/My Audio/\"\n");
    const std::unique_ptr<char[]> heap = ini.GetString("TaskSetting", "OutputPath");
    EXPECT_STREQ(heap.get(), "/media/data/My Audio/");
    EXPECT_EQ(Text("tasksetting", "outputpath"), "/media/data/My Audio/");
    char buffer[64];
    EXPECT_EQ(ini.GetString("TaskSetting", "OutputPath", buffer, int(sizeof buffer)), 21);
    EXPECT_STREQ(buffer, "/media/data/My Audio/");
}

TEST_F(IniTest, MissingKeyGivesDefaultAndNullDefaultIsEmpty) {
    Put("[TaskSetting]\nOutputFormat=2\n");
    EXPECT_EQ(Text("TaskSetting", "OutputPath", "fallback"), "fallback");
    EXPECT_EQ(Text("TaskSetting", "OutputPath"), "");
    EXPECT_STREQ(ini.GetString("Nowhere", "OutputFormat").get(), "");
}

TEST_F(IniTest, NullSectionOrKeyGivesDefault) {
    Put("[TaskSetting]\nOutputFormat=2\n");
    EXPECT_EQ(Text(nullptr, "OutputFormat", "d"), "d");
    EXPECT_EQ(Text("TaskSetting", nullptr, "d"), "d");
    EXPECT_EQ(ini.GetInt(nullptr, "OutputFormat", 7), 7);
}

TEST_F(IniTest, LongValuesAreReadWhole) {
    // Lengths around the steps in which the read buffer grows.
    for (int length : {510, 511, 512, 513, 1023, 1024, 5000}) {
        const QByteArray value(length, 'v');
        Put("[s]\nk=" + value + "\n");
        EXPECT_EQ(QByteArray(ini.GetString("s", "k").get()), value) << length;
    }
    const QByteArray longDefault(1500, 'd');
    EXPECT_EQ(QByteArray(ini.GetString("s", "none", longDefault.constData()).get()), longDefault);
}

TEST_F(IniTest, BufferFormCutsToLengthWithoutSplittingCharacters) {
    Put("[s]\nk=abcdef\nu=aé\n");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ini.GetString("s", "k", buffer, 4), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');
    // "é" is two bytes; a buffer with room for one and a half characters takes one.
    EXPECT_EQ(ini.GetString("s", "u", buffer, 3), 1);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(ini.GetString("s", "u", buffer, 4), 3);
    EXPECT_STREQ(buffer, "aé");
    EXPECT_EQ(ini.GetString("s", "k", buffer, 0), 0);
}

TEST_F(IniTest, PathCanBeReplacedAndEmptied) {
    Put("[s]\nk=first\n");
    QTemporaryDir other;
    QFile second(other.filePath("second.ini"));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.write("[s]\nk=second\n");
    second.close();

    EXPECT_EQ(Text("s", "k"), "first");
    ini.SetPathName(second.fileName());
    EXPECT_EQ(Text("s", "k"), "second");
    ini.SetPathName(QString());
    EXPECT_EQ(ini.GetPathName(), QString());
    EXPECT_EQ(Text("s", "k", "none"), "none");
    EXPECT_FALSE(ini.WriteString("s", "k", "v"));
}

// Reading numbers -------------------------------------------------------------

TEST_F(IniTest, GetIntFollowsStrtoulInItsBase) {
    Put("[s]\n"
        "empty=\n"
        "plain=12\n"
        "padded=   42   \n"
        "word=abc\n"
        "signed=-1\n"
        "plus=+7\n"
        "trailing=3kbps\n"
        "hex=ff\n"
        "hexprefix=0x1A\n"
        "octal=17\n"
        "binary=1011\n"
        "huge=99999999999\n"
        "hugeNegative=-99999999999\n");
    EXPECT_EQ(ini.GetInt("s", "missing", 8), 8);
    EXPECT_EQ(ini.GetInt("s", "empty", 8), 8);
    EXPECT_EQ(ini.GetInt("s", "plain", 8), 12);
    EXPECT_EQ(ini.GetInt("s", "padded", 8), 42);
    EXPECT_EQ(ini.GetInt("s", "word", 8), 0);
    EXPECT_EQ(ini.GetInt("s", "signed", 8), -1);
    EXPECT_EQ(ini.GetInt("s", "plus", 8), 7);
    EXPECT_EQ(ini.GetInt("s", "trailing", 8), 3);
    EXPECT_EQ(ini.GetInt("s", "hex", 0, 16), 255);
    EXPECT_EQ(ini.GetInt("s", "hexprefix", 0, 16), 26);
    EXPECT_EQ(ini.GetInt("s", "octal", 0, 8), 15);
    EXPECT_EQ(ini.GetInt("s", "binary", 0, 2), 11);
    // Other bases count as 10.
    EXPECT_EQ(ini.GetInt("s", "octal", 0, 7), 17);
    EXPECT_EQ(ini.GetInt("s", "hex", 5, 36), 0);
    // Out of range saturates as a 32-bit unsigned number.
    EXPECT_EQ(ini.GetInt("s", "huge", 0), -1);
    EXPECT_EQ(ini.GetInt("s", "hugeNegative", 0), -1);
}

TEST_F(IniTest, GetIntReadsAtMost64Characters) {
    Put("[s]\nk=" + QByteArray(64, '0') + "12\nshort=" + QByteArray(62, '0') + "12\n");
    EXPECT_EQ(ini.GetInt("s", "k", 5), 0);
    EXPECT_EQ(ini.GetInt("s", "short", 5), 12);
}

// Writing ---------------------------------------------------------------------

TEST_F(IniTest, WriteStringCreatesAndReplaces) {
    EXPECT_TRUE(ini.WriteString("TaskSetting", "OutputPath", "/home/u/MyAudio/"));
    EXPECT_TRUE(ini.WriteString("TaskSetting", "OutputPath", "/srv/MyAudio/"));
    EXPECT_EQ(Contents(), "[TaskSetting]\r\nOutputPath=/srv/MyAudio/\r\n");
}

TEST_F(IniTest, NullValueWritesEmptyValueAndNullNamesWriteNothing) {
    EXPECT_TRUE(ini.WriteString("s", "k", nullptr));
    EXPECT_EQ(Contents(), "[s]\r\nk=\r\n");
    EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteString("s", nullptr, "v"));
    EXPECT_FALSE(ini.WriteInt(nullptr, "k", 1));
    EXPECT_EQ(Contents(), "[s]\r\nk=\r\n");
}

TEST_F(IniTest, WriteIntRoundTripsInEveryBase) {
    for (int base : {2, 8, 10, 16, 3}) {
        for (int value : {0, 1, 8, 12, 255, 320, 48000}) {
            ASSERT_TRUE(ini.WriteInt("s", "k", value, base));
            EXPECT_EQ(ini.GetInt("s", "k", -99, base), value) << base << " " << value;
        }
    }
    ASSERT_TRUE(ini.WriteInt("s", "k", -5));
    EXPECT_EQ(ini.GetInt("s", "k", 0), -5);
}

TEST(IniFormatNumber, Bases) {
    EXPECT_EQ(CIni::FormatNumber(0, 10), "0");
    EXPECT_EQ(CIni::FormatNumber(-42, 10), "-42");
    EXPECT_EQ(CIni::FormatNumber(8, 8), "10");
    EXPECT_EQ(CIni::FormatNumber(255, 16), "FF");
    EXPECT_EQ(CIni::FormatNumber(-1, 16), "FFFFFFFF");
    EXPECT_EQ(CIni::FormatNumber(0, 2), "0");
    EXPECT_EQ(CIni::FormatNumber(5, 2), "101");
    EXPECT_EQ(CIni::FormatNumber(-1, 2), QByteArray(32, '1'));
    EXPECT_EQ(CIni::FormatNumber(255, 36), "255");
    EXPECT_EQ(CIni::FormatNumber(255, 0), "255");
}

} // namespace
