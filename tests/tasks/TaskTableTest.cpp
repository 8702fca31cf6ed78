#include "tasks/TaskTable.h"

#include "tasks/TaskList.h"

#include <gtest/gtest.h>

TEST(TaskTable, TimeTextTruncatesWithoutLimitingHoursAndNamesComeFromTheFileName) {
    EXPECT_EQ(FormatTimeText(3725), "01:02:05");
    EXPECT_EQ(FormatTimeText(100 * 3600), "100:00:00");
    EXPECT_EQ(FormatTimeText(59.999), "00:00:59");
    EXPECT_EQ(FormatTimeText(1e300), FormatTimeText(2147483647));
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

TEST(TaskTracks, DescriptionNamesWhatIsKnownAndTheShownTrackIsTheChosenOrTheDefault) {
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

    // The track shown is the chosen one, else the default, else the first.
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

// Later entries move down with their tracks; the vacated record keeps its contents but
// not its tracks; rows outside the list change nothing.
TEST(TaskList, RemovingARowMovesTheLaterEntriesWithTheirTracks) {
    TaskList tasks;
    tasks.RemoveAll();
    ASSERT_TRUE(tasks.Add(MakeTask("/v/a.avi", 10, {})));
    ASSERT_TRUE(tasks.Add(MakeTask("/v/b.avi", 20, {SoundTrack{}, SoundTrack{}})));
    tasks.SetTrack(1, 1);
    tasks.Remove(2);
    tasks.Remove(-1);
    tasks.Remove(0);
    EXPECT_EQ(tasks.Count(), 1);
    EXPECT_EQ(FixedText(tasks.At(0).record.sourcePath), "/v/b.avi");
    EXPECT_EQ(tasks.At(0).tracks.chosenTrack, 1);
    EXPECT_EQ(FixedText(taskTable[1].sourcePath), "/v/b.avi");
    EXPECT_EQ(tasks.At(1).tracks.chosenTrack, -1);
    tasks.RemoveAll();
    EXPECT_EQ(taskTable[0].sourcePath[0], '\0');
    EXPECT_EQ(tasks.At(0).tracks.chosenTrack, -1);
}
