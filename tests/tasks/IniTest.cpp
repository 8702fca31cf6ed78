#include "tasks/Ini.h"

#include "TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {

// A number too large saturates as a 32-bit unsigned one.
TEST(IniTest, NumbersReadTheAtoiWayAndWrittenOnesComeBack) {
    QTemporaryDir dir;
    CIni ini;
    ini.SetPathName(dir.filePath("option.ini"));
    const std::pair<const char*, int> cases[] = {
        {"", 8}, {"   42   ", 42}, {"abc", 0}, {"-1", -1}, {"3kbps", 3}, {"99999999999", -1},
    };
    for (const auto& [value, expected] : cases) {
        ASSERT_TRUE(testing_support::WriteFile(ini.GetPathName(), QByteArray("[s]\nk=") + value));
        EXPECT_EQ(ini.GetInt("s", "k", 8), expected) << value;
    }
    EXPECT_EQ(ini.GetInt("s", "missing", 8), 8);
    for (int value : {0, 12, 48000, -5}) {
        ASSERT_TRUE(ini.WriteInt("s", "k", value));
        EXPECT_EQ(ini.GetInt("s", "k", -99), value);
    }
}

} // namespace
