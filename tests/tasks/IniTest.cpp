#include "tasks/Ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini.SetPathName(dir.filePath("option.ini"));
    }

    void Put(const QByteArray& bytes) {
        QFile file(ini.GetPathName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QString Text(const char* section, const char* key, const char* def = nullptr) const {
        QString value;
        ini.GetString(section, key, value, def);
        return value;
    }

    QTemporaryDir dir;
    CIni ini;
};

TEST_F(IniTest, ThreeStringFormsAgreeAndMissingKeysGiveTheDefault) {
    Put("[TaskSetting]\nOutputPath = \"/media/data/My Audio/\"\n");
    EXPECT_STREQ(ini.GetString("TaskSetting", "OutputPath").get(), "/media/data/My Audio/");
    EXPECT_EQ(Text("tasksetting", "outputpath"), "/media/data/My Audio/");
    char buffer[64];
    EXPECT_EQ(ini.GetString("TaskSetting", "OutputPath", buffer, int(sizeof buffer)), 21);
    EXPECT_STREQ(buffer, "/media/data/My Audio/");

    EXPECT_EQ(Text("TaskSetting", "Missing", "fallback"), "fallback");
    EXPECT_STREQ(ini.GetString("Nowhere", "OutputPath").get(), "");
}

TEST_F(IniTest, LongValuesAreReadWhole) {
    // Lengths around the steps in which the read buffer grows.
    for (int length : {511, 512, 513, 1024, 5000}) {
        const QByteArray value(length, 'v');
        Put("[s]\nk=" + value + "\n");
        EXPECT_EQ(QByteArray(ini.GetString("s", "k").get()), value) << length;
    }
    const QByteArray longDefault(1500, 'd');
    EXPECT_EQ(QByteArray(ini.GetString("s", "none", longDefault.constData()).get()), longDefault);
}

TEST_F(IniTest, BufferFormCutsToLengthWithoutSplittingCharacters) {
    Put("[s]\nk=abcdef\nu=a\xc3\xa9\n");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ini.GetString("s", "k", buffer, 4), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(ini.GetString("s", "u", buffer, 3), 1); // no room for the whole "é"
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(ini.GetString("s", "k", buffer, 0), 0);
}

TEST_F(IniTest, NullNamesAndNoPathReadDefaultsAndWriteNothing) {
    Put("[s]\nk=1\n");
    EXPECT_EQ(Text(nullptr, "k", "d"), "d");
    EXPECT_EQ(ini.GetInt("s", nullptr, 7), 7);
    EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteInt("s", nullptr, 1));
    EXPECT_TRUE(ini.WriteString("s", "k", nullptr));
    EXPECT_EQ(Text("s", "k", "d"), "");
    ini.SetPathName(QString());
    EXPECT_EQ(Text("s", "k", "none"), "none");
    EXPECT_FALSE(ini.WriteString("s", "k", "v"));
}

// Other bases count as 10; a number too large saturates as a 32-bit unsigned one.
TEST_F(IniTest, GetIntReadsAnUnsignedNumberInItsBase) {
    const std::tuple<const char*, int, int> cases[] = {
        {"", 10, 8},      {"   42   ", 10, 42}, {"abc", 10, 0},          {"-1", 10, -1},
        {"3kbps", 10, 3}, {"ff", 16, 255},      {"0x1A", 16, 26},        {"17", 8, 15},
        {"1011", 2, 11},  {"17", 7, 17},        {"99999999999", 10, -1},
    };
    for (const auto& [value, base, expected] : cases) {
        Put(QByteArray("[s]\nk=") + value + "\n");
        EXPECT_EQ(ini.GetInt("s", "k", 8, base), expected) << value << " base " << base;
    }
    EXPECT_EQ(ini.GetInt("s", "missing", 8), 8);
}

TEST_F(IniTest, NumbersAreWrittenInEveryBaseAndReadBack) {
    EXPECT_EQ(CIni::FormatNumber(8, 8), "10");
    EXPECT_EQ(CIni::FormatNumber(-1, 16), "FFFFFFFF");
    EXPECT_EQ(CIni::FormatNumber(-1, 2), QByteArray(32, '1'));
    EXPECT_EQ(CIni::FormatNumber(0, 2), "0");
    EXPECT_EQ(CIni::FormatNumber(255, 36), "255");
    for (int base : {2, 8, 10, 16}) {
        for (int value : {0, 12, 48000, -5}) {
            ASSERT_TRUE(ini.WriteInt("s", "k", value, base));
            EXPECT_EQ(ini.GetInt("s", "k", -99, base), value) << base << " " << value;
        }
    }
}

} // namespace
