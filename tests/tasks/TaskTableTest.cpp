#include "tasks/TaskTable.h"

#include <gtest/gtest.h>

TEST(TaskTable, TimeTextTruncatesAndDoesNotLimitHours) {
    EXPECT_EQ(FormatTimeText(3725), "01:02:05");
    EXPECT_EQ(FormatTimeText(100 * 3600), "100:00:00");
    EXPECT_EQ(FormatTimeText(59.999), "00:00:59");
    EXPECT_EQ(FormatTimeText(1e300), FormatTimeText(2147483647));
}

TEST(TaskTable, NamesComeFromTheFileNameOnly) {
    EXPECT_EQ(GetDisplayName("/video/holiday.avi"), " holiday.avi");
    EXPECT_EQ(GetFileExtension("/video/holiday.avi"), "avi");
    EXPECT_EQ(GetTitle("/v/archive.tar.gz"), " archive.tar");
    EXPECT_EQ(GetFileExtension("/my.dir/clip"), "");
    EXPECT_EQ(GetTitle("/my.dir/clip"), " clip");
}

TEST(TaskTable, FixedTextRefusesWhatDoesNotFitCountingUtf8Bytes) {
    char field[MAX_PATH];
    ASSERT_TRUE(SetFixedText(field, "/v/a.avi"));
    EXPECT_FALSE(SetFixedText(field, QString(MAX_PATH, 'x')));
    EXPECT_EQ(FixedText(field), "/v/a.avi"); // the refused text leaves the field alone
    EXPECT_TRUE(SetFixedText(field, QString(MAX_PATH - 1, 'x')));
    EXPECT_FALSE(SetFixedText(field, QString(130, QChar(0x00E9))));
    EXPECT_TRUE(SetFixedText(field, QString("/v/\u00e9t\u00e9.avi")));
    EXPECT_EQ(FixedText(field), QString("/v/\u00e9t\u00e9.avi"));
}
