#include "tasks/TaskTable.h"

#include "tasks/TaskTracks.h"

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

TEST(TaskTracks, DescriptionNamesWhatIsKnownInTheUsualTerms) {
    SoundTrack t;
    EXPECT_EQ(DescribeSoundTrack(t, 0), "1:");
    t.format = "MPEG Audio";
    t.formatProfile = "Layer 2";
    t.channels = 8;
    t.channelLayout = "L R C LFE Ls Rs Lb Rb";
    t.title = "Director";
    EXPECT_EQ(DescribeSoundTrack(t, 2), "3: MP2 7.1 \u2013 Director");
    t.formatProfile = "Layer 1"; // no common short name
    t.channelLayout.clear();
    t.channels = 6;
    t.language = "French";
    t.title.clear();
    EXPECT_EQ(DescribeSoundTrack(t, 9), "10: MPEG Audio 6 ch French");
    t.channels = 3;
    t.channelLayout = "L R C";
    EXPECT_EQ(TrackChannelText(t), "3.0");
}

TEST(TaskTracks, ShownTrackIsTheChosenOneElseTheDefaultElseTheFirst) {
    TaskTracks entry;
    EXPECT_EQ(entry.TrackToShow(), -1);
    entry.tracks.resize(3);
    EXPECT_EQ(entry.TrackToShow(), 0);
    entry.tracks[2].isDefault = true;
    EXPECT_EQ(entry.TrackToShow(), 2);
    entry.chosenTrack = 1;
    EXPECT_EQ(entry.TrackToShow(), 1);
    entry.chosenTrack = 3; // no longer a track of the file
    EXPECT_EQ(entry.TrackToShow(), 2);
}

TEST(TaskTracks, RemovingAnEntryOutsideTheTasksChangesNothing) {
    ClearTaskTable();
    taskTracks[0].chosenTrack = 4;
    SetFixedText(taskTable[0].sourcePath, "/v/a.avi");
    RemoveTaskEntry(1, 1);
    RemoveTaskEntry(-1, 1);
    RemoveTaskEntry(0, 0);
    EXPECT_EQ(taskTracks[0].chosenTrack, 4);
    RemoveTaskEntry(TASK_TABLE_SIZE - 1, TASK_TABLE_SIZE + 5);
    EXPECT_EQ(FixedText(taskTable[0].sourcePath), "/v/a.avi");
    ClearTaskTable();
    EXPECT_EQ(taskTracks[0].chosenTrack, -1);
    EXPECT_EQ(taskTable[0].sourcePath[0], '\0');
}
