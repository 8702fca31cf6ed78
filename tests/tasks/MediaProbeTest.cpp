#include "tasks/MediaProbe.h"

#include "TestSupport.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testing_support::WriteFile;

// The calls a stand-in library recorded (emptied with `clear`).
QString Trace(const char* libraryPath, bool clear = false) {
    QLibrary lib(libraryPath);
    const QString trace = QString::fromUtf8(
        reinterpret_cast<const char* (*)()>(lib.resolve("FakeMediaInfo_Trace"))());
    if (clear)
        reinterpret_cast<void (*)()>(lib.resolve("FakeMediaInfo_ClearTrace"))();
    return trace;
}

class MediaProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // A fresh binding for every test: the next probe loads again.
        SetMediaInfoLibraryName(original);
        Trace(FAKE_MEDIAINFO_PATH, true);
        Trace(FAKE_MEDIAINFO_PARTIAL_PATH, true);
    }
    void TearDown() override { SetMediaInfoLibraryName(original); }

    const QString original = GetMediaInfoLibraryName();
    QTemporaryDir dir;
};

TEST_F(MediaProbeTest, CallsTheFiveEntryPointsInOrderOrGivesTheUnavailableTextWithoutThem) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString file = dir.filePath("answer.avi");
    ASSERT_TRUE(WriteFile(file, "5432\n0,0,AudioCount=1\n2,0,Format=AC-3\n2,0,Channel(s)=6\n"));
    const QString unreadable = dir.filePath("unreadable.avi");
    ASSERT_TRUE(WriteFile(unreadable, "\n0,0,AudioCount=1\n"));
    MediaProbeResult media;
    {
        CMediaInfoProbe probe;
        media = probe.Probe(file);
    }
    // Each text is copied at once (the stand-in spoils it at the next call).
    EXPECT_EQ(media.playTime, "5432");
    ASSERT_EQ(media.tracks.size(), 1);
    EXPECT_EQ(media.tracks[0].format, "AC-3");
    EXPECT_EQ(media.tracks[0].channels, 6);
    EXPECT_TRUE(IsMediaInfoLoaded());
    {
        CMediaInfoProbe second;
        media = second.Probe(unreadable);
    }
    // A file the library cannot read is not asked for its tracks.
    EXPECT_TRUE(media.playTime.isEmpty());
    EXPECT_FALSE(media.tracksKnown);
    QString audio;
    for (const char* p : {"Format", "Format_Profile", "Channel(s)", "ChannelLayout", "SamplingRate",
                          "Language", "Language/String", "Title", "BitRate", "Default"})
        audio += QString("Get(h,2,0,%1,1,0);").arg(p);
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH),
              "New;Open(h," + file + ");Get(h,0,0,PlayTime,1,0);Get(h,0,0,AudioCount,1,0);" +
                  audio + "Close(h);Delete(h);New;Open(h," + unreadable +
                  ");Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);");

    // A missing or incomplete library is never called; a failed load is tried again.
    const QString later = dir.filePath("libmediainfo-later.so");
    for (const QString& library : {QStringLiteral(FAKE_MEDIAINFO_PARTIAL_PATH), later}) {
        SetMediaInfoLibraryName(library);
        media = CMediaInfoProbe().Probe("/any.avi");
        EXPECT_EQ(media.playTime, "Unable to load MediaInfo.dll") << library.toStdString();
        EXPECT_FALSE(media.tracksKnown);
        EXPECT_FALSE(IsMediaInfoLoaded());
    }
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PARTIAL_PATH), "");
    ASSERT_TRUE(QFile::copy(FAKE_MEDIAINFO_PATH, later));
    EXPECT_TRUE(CMediaInfoProbe().HasHandle());
}

// Tracks as shown and chapters (the last ending at the playing time), from real videos.
TEST(MediaProbeOnRealMedia, ReadsEveryTrackAndChapterOfEachFileAndNoneOfASilentOne) {
    QTemporaryDir folder;
    testing_support::TestMediaSet media;
    QString error;
    ASSERT_TRUE(media.Make(folder.path(), &error)) << error.toStdString();
    const struct {
        QString path;
        QStringList described;
    } cases[] = {
        {media.twoTrackMkv, {"1: AAC Stereo English", "2: AC-3 5.1 German \u2013 Commentary"}},
        {media.aacMp4, {"1: AAC Stereo"}},
        {media.mp3Avi, {"1: MP3 Mono"}},
        {media.silentMp4, {}},
    };
    for (const auto& c : cases) {
        const MediaProbeResult r = CMediaInfoProbe().Probe(c.path);
        EXPECT_EQ(PlayTimeSeconds(r.playTime), 1) << c.path.toStdString();
        EXPECT_TRUE(r.tracksKnown);
        EXPECT_TRUE(r.chapters.isEmpty());
        QStringList described;
        for (int k = 0; k < r.tracks.size(); ++k)
            described << DescribeSoundTrack(r.tracks[k], k);
        EXPECT_EQ(described, c.described);
    }
    const MediaProbeResult two = CMediaInfoProbe().Probe(media.twoTrackMkv);
    ASSERT_EQ(two.tracks.size(), 2);
    EXPECT_EQ(two.tracks[0].samplingRate, 44100);
    EXPECT_TRUE(two.tracks[0].isDefault);
    EXPECT_EQ(two.tracks[1].samplingRate, 48000);
    EXPECT_GT(two.tracks[1].bitRate, 0);
    EXPECT_FALSE(two.tracks[1].isDefault);

    const QString chaptered = folder.filePath("chapters.mkv");
    ASSERT_TRUE(testing_support::MakeChapteredVideo(
        chaptered, 4, {{0, "Intro"}, {1.5, "Part: One/Two"}, {2.25, QString()}}));
    const MediaProbeResult r = CMediaInfoProbe().Probe(chaptered);
    QStringList seen;
    for (const Chapter& c : r.chapters)
        seen << QString("%1-%2 %3").arg(c.start).arg(c.end).arg(c.title);
    EXPECT_EQ(seen, QStringList({"0-1.5 Intro", "1.5-2.25 Part: One/Two",
                                 QString("2.25-%1 ").arg(r.playTime.toDouble() / 1000)}));
}

TEST(PlayTimeSeconds, ReadsMillisecondsTheAtoiWayAndTruncates) {
    const std::pair<const char*, double> cases[] = {
        {"5999", 5},
        {"999", 0},
        {" \t12345abc", 12},
        {"+7000", 7},
        {"-2500", -2},
        {"12.9e3", 0},
        {"Unable to load MediaInfo.dll", 0},
        {"99999999999999999999", 2147483},
    };
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(PlayTimeSeconds(QString::fromUtf8(text)), seconds) << text;
}

} // namespace
