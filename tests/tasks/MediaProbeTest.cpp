#include "tasks/MediaProbe.h"

#include "TestSupport.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testing_support::MakeMedia;

namespace {

// The trace of calls a stand-in library recorded, read through the library itself.
QString Trace(const QString& libraryPath) {
    QLibrary lib(libraryPath);
    auto trace = reinterpret_cast<const char* (*)()>(lib.resolve("FakeMediaInfo_Trace"));
    return trace ? QString::fromUtf8(trace()) : QStringLiteral("<no trace>");
}

void ClearTrace(const QString& libraryPath) {
    QLibrary lib(libraryPath);
    if (auto clear = reinterpret_cast<void (*)()>(lib.resolve("FakeMediaInfo_ClearTrace")))
        clear();
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

class MediaProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // A fresh binding for every test: the next probe loads again.
        SetMediaInfoLibraryName(original);
        ClearTrace(FAKE_MEDIAINFO_PATH);
        ClearTrace(FAKE_MEDIAINFO_PARTIAL_PATH);
    }
    void TearDown() override { SetMediaInfoLibraryName(original); }

    QString Path(const QString& name) const { return dir.filePath(name); }

    const QString original = GetMediaInfoLibraryName();
    QTemporaryDir dir;
};

TEST_F(MediaProbeTest, BindsTheSystemLibraryByDefault) {
    EXPECT_EQ(original, "libmediainfo.so.0");
}

TEST_F(MediaProbeTest, RealLibraryReadsThePlayTimeOfGeneratedMedia) {
    const QString avi = Path("clip.avi");
    QString error;
    ASSERT_TRUE(MakeMedia(avi, 5.44, &error)) << error.toStdString();

    EXPECT_FALSE(IsMediaInfoLoaded());
    CMediaInfoProbe probe;
    EXPECT_TRUE(IsMediaInfoLoaded());
    ASSERT_TRUE(probe.HasHandle());
    const QString text = probe.ReadPlayTime(avi);
    bool isNumber = false;
    const int ms = text.toInt(&isNumber);
    ASSERT_TRUE(isNumber) << text.toStdString();
    EXPECT_GE(ms, 5440);
    EXPECT_LT(ms, 6000);
    EXPECT_EQ(PlayTimeSeconds(text), 5.0);
}

TEST_F(MediaProbeTest, OneHandleReadsSeveralFilesAndAPathWithNonAsciiLetters) {
    const QString mp4 = Path("Ünïcode clip.mp4");
    const QString mkv = Path("second.mkv");
    ASSERT_TRUE(MakeMedia(mp4, 2.0));
    ASSERT_TRUE(MakeMedia(mkv, 3.0));
    CMediaInfoProbe probe;
    EXPECT_EQ(PlayTimeSeconds(probe.ReadPlayTime(mp4)), 2.0);
    EXPECT_EQ(PlayTimeSeconds(probe.ReadPlayTime(mkv)), 3.0);
}

TEST_F(MediaProbeTest, RealLibraryGivesEmptyTextForUnreadableFiles) {
    ASSERT_TRUE(WriteFile(Path("notes.avi"), "these are not pictures\n"));
    CMediaInfoProbe probe;
    ASSERT_TRUE(probe.HasHandle());
    EXPECT_EQ(probe.ReadPlayTime(Path("notes.avi")), "");
    EXPECT_EQ(probe.ReadPlayTime(Path("missing.avi")), "");
}

TEST_F(MediaProbeTest, MissingLibraryGivesTheUnavailableTextReadAsZero) {
    SetMediaInfoLibraryName(Path("libnothing.so.0"));
    CMediaInfoProbe probe;
    EXPECT_FALSE(probe.HasHandle());
    EXPECT_FALSE(IsMediaInfoLoaded());
    const QString text = probe.ReadPlayTime(Path("any.avi"));
    EXPECT_EQ(text, "Unable to load MediaInfo.dll");
    EXPECT_EQ(PlayTimeSeconds(text), 0.0);
}

TEST_F(MediaProbeTest, FailedLoadIsTriedAgainAtTheNextProbe) {
    const QString later = Path("libmediainfo-later.so");
    SetMediaInfoLibraryName(later);
    {
        CMediaInfoProbe probe;
        EXPECT_FALSE(probe.HasHandle());
    }
    ASSERT_TRUE(QFile::copy(FAKE_MEDIAINFO_PATH, later));
    ClearTrace(later);
    {
        CMediaInfoProbe probe;
        EXPECT_TRUE(probe.HasHandle());
        EXPECT_TRUE(IsMediaInfoLoaded());
    }
    EXPECT_EQ(Trace(later), "New;Delete(h);");
}

TEST_F(MediaProbeTest, CallsTheFiveEntryPointsInOrderWithTheirArguments) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString file = Path("answer.avi");
    ASSERT_TRUE(WriteFile(file, "5432\n"));
    QString text;
    {
        CMediaInfoProbe probe;
        text = probe.ReadPlayTime(file);
        EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH),
                  "New;Open(h," + file + ");Get(h,0,0,PlayTime,1,0);Close(h);");
    }
    // The text is read before the file is closed, and the handle deleted last.
    EXPECT_EQ(text, "5432");
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH),
              "New;Open(h," + file + ");Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);");
}

TEST_F(MediaProbeTest, TheLibraryStaysLoadedAcrossProbes) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    { CMediaInfoProbe first; }
    EXPECT_TRUE(IsMediaInfoLoaded());
    { CMediaInfoProbe second; }
    EXPECT_TRUE(IsMediaInfoLoaded());
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH), "New;Delete(h);New;Delete(h);");
}

TEST_F(MediaProbeTest, LibraryLackingAnEntryPointCountsAsMissingAndIsNeverCalled) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PARTIAL_PATH);
    const QString file = Path("answer.avi");
    ASSERT_TRUE(WriteFile(file, "5432\n"));
    {
        CMediaInfoProbe probe;
        EXPECT_FALSE(probe.HasHandle());
        EXPECT_EQ(probe.ReadPlayTime(file), "Unable to load MediaInfo.dll");
    }
    EXPECT_FALSE(IsMediaInfoLoaded());
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PARTIAL_PATH), "");
}

struct PlayTimeCase {
    const char* text;
    double seconds;
};

class PlayTimeSecondsTest : public ::testing::TestWithParam<PlayTimeCase> {};

TEST_P(PlayTimeSecondsTest, ReadsMillisecondsTheAtoiWayAndTruncates) {
    EXPECT_EQ(PlayTimeSeconds(QString::fromUtf8(GetParam().text)), GetParam().seconds)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(ProbeTexts, PlayTimeSecondsTest,
                         ::testing::Values(PlayTimeCase{"5432", 5}, PlayTimeCase{"5999", 5},
                                           PlayTimeCase{"999", 0}, PlayTimeCase{"3725000", 3725},
                                           PlayTimeCase{" \t12345abc", 12},
                                           PlayTimeCase{"+7000", 7}, PlayTimeCase{"-2500", -2},
                                           PlayTimeCase{"12.9e3", 0}, PlayTimeCase{"abc", 0},
                                           PlayTimeCase{"", 0},
                                           PlayTimeCase{"Unable to load MediaInfo.dll", 0},
                                           PlayTimeCase{"99999999999999999999", 2147483}));

} // namespace
