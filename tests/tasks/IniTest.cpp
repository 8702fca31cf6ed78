#include "tasks/Ini.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini.SetPathName(dir.filePath("option.ini"));
    }

    void Put(const QByteArray& bytes) {
        ASSERT_TRUE(testing_support::WriteFile(ini.GetPathName(), bytes));
    }

    QString Text(const char* section, const char* key, const char* def = nullptr) const {
        QString value;
        ini.GetString(section, key, value, def);
        return value;
    }

    QTemporaryDir dir;
    CIni ini;
};

// Only the QString form and base 10 are what the settings use.
TEST_F(IniTest, ReadsWithoutRegardToCase) {
    Put("[TaskSetting]\nOutputPath = \"/media/data/My Audio/\"\n");
    EXPECT_EQ(Text("tasksetting", "outputpath"), "/media/data/My Audio/");
    EXPECT_EQ(Text("TaskSetting", "Missing", "fallback"), "fallback");
}

TEST_F(IniTest, NullNamesAndNoPathReadDefaultsAndWriteNothing) {
    Put("[s]\nk=1\n");
    EXPECT_EQ(Text(nullptr, "k", "d"), "d");
    EXPECT_EQ(ini.GetInt("s", nullptr, 7), 7);
    EXPECT_FALSE(ini.WriteString(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteInt("s", nullptr, 1));
    ini.SetPathName(QString());
    EXPECT_EQ(Text("s", "k", "none"), "none");
    EXPECT_FALSE(ini.WriteString("s", "k", "v"));
}

// A number too large saturates as a 32-bit unsigned one.
TEST_F(IniTest, NumbersReadTheAtoiWayAndWrittenOnesComeBack) {
    const std::pair<const char*, int> cases[] = {
        {"", 8}, {"   42   ", 42}, {"abc", 0}, {"-1", -1}, {"3kbps", 3}, {"99999999999", -1},
    };
    for (const auto& [value, expected] : cases) {
        Put(QByteArray("[s]\nk=") + value + "\n");
        EXPECT_EQ(ini.GetInt("s", "k", 8), expected) << value;
    }
    EXPECT_EQ(ini.GetInt("s", "missing", 8), 8);
    for (int value : {0, 12, 48000, -5}) {
        ASSERT_TRUE(ini.WriteInt("s", "k", value));
        EXPECT_EQ(ini.GetInt("s", "k", -99), value);
    }
}

} // namespace
