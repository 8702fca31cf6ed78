#include "tasks/TaskTable.h"

#include <gtest/gtest.h>

TEST(TimeText, WholeSecondsAsHoursMinutesSeconds) {
    EXPECT_EQ(FormatTimeText(0), "00:00:00");
    EXPECT_EQ(FormatTimeText(3725), "01:02:05");
    EXPECT_EQ(FormatTimeText(100 * 3600), "100:00:00");
}

TEST(TimeText, FractionsAreTruncatedNotRounded) {
    EXPECT_EQ(FormatTimeText(12.9), "00:00:12");
    EXPECT_EQ(FormatTimeText(59.999), "00:00:59");
    EXPECT_EQ(FormatTimeText(1e300), FormatTimeText(2147483647));
}

TEST(FileNames, TitleDisplayNameAndExtension) {
    const QString path = "/video/holiday.avi";
    EXPECT_EQ(GetFileName(path), "holiday.avi");
    EXPECT_EQ(GetDisplayName(path), " holiday.avi");
    EXPECT_EQ(GetTitle(path), " holiday");
    EXPECT_EQ(GetFileExtension(path), "avi");
    EXPECT_EQ(GetTitle("/v/archive.tar.gz"), " archive.tar");
}

TEST(FileNames, FullStopInFolderDoesNotLeakIntoNameOrExtension) {
    EXPECT_EQ(GetFileExtension("/my.dir/clip"), "");
    EXPECT_EQ(GetTitle("/my.dir/clip"), " clip");
    EXPECT_EQ(GetFileName("clip.mp4"), "clip.mp4");
}

TEST(FixedText, RefusesWhatDoesNotFitAndKeepsTheField) {
    char field[MAX_PATH];
    ASSERT_TRUE(SetFixedText(field, "/v/a.avi"));
    EXPECT_FALSE(SetFixedText(field, QString(MAX_PATH, 'x')));
    EXPECT_EQ(FixedText(field), "/v/a.avi");
    EXPECT_TRUE(SetFixedText(field, QString(MAX_PATH - 1, 'x')));
    // Multi-byte letters count by their UTF-8 bytes.
    EXPECT_FALSE(SetFixedText(field, QString(130, QChar(0x00E9))));
    EXPECT_TRUE(SetFixedText(field, QString("/v/\u00e9t\u00e9.avi")));
    EXPECT_EQ(FixedText(field), QString("/v/\u00e9t\u00e9.avi"));
}

TEST(TaskTable, ClearZeroesEveryEntry) {
    taskTable[99].duration = 5;
    SetFixedText(taskTable[99].title, " x");
    taskTable[99].clipSet = 1;
    ClearTaskTable();
    EXPECT_EQ(taskTable[99].duration, 0);
    EXPECT_EQ(taskTable[99].title[0], '\0');
    EXPECT_EQ(taskTable[99].clipSet, 0);
}
