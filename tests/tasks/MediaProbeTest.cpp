#include "tasks/MediaProbe.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The calls a stand-in library recorded, read through the library itself.
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

    QString Answering(const QByteArray& playTime) {
        QFile f(dir.filePath("answer.avi"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(playTime + "\n");
        return f.fileName();
    }

    const QString original = GetMediaInfoLibraryName();
    QTemporaryDir dir;
};

TEST_F(MediaProbeTest, CallsTheFiveEntryPointsInOrderAndKeepsTheLibraryLoaded) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    const QString file = Answering("5432");
    QString text;
    {
        CMediaInfoProbe probe;
        text = probe.ReadPlayTime(file);
    }
    // The text is copied before the file is closed (the stand-in spoils it then).
    EXPECT_EQ(text, "5432");
    EXPECT_TRUE(IsMediaInfoLoaded());
    { CMediaInfoProbe second; }
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH),
              "New;Open(h," + file + ");Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);New;Delete(h);");
}

TEST_F(MediaProbeTest, MissingLibraryGivesTheUnavailableTextAndIsTriedAgain) {
    const QString later = dir.filePath("libmediainfo-later.so");
    SetMediaInfoLibraryName(later);
    {
        CMediaInfoProbe probe;
        EXPECT_EQ(probe.ReadPlayTime(Answering("5432")), "Unable to load MediaInfo.dll");
    }
    EXPECT_FALSE(IsMediaInfoLoaded());
    ASSERT_TRUE(QFile::copy(FAKE_MEDIAINFO_PATH, later));
    CMediaInfoProbe probe;
    EXPECT_TRUE(probe.HasHandle());
}

TEST_F(MediaProbeTest, LibraryLackingAnEntryPointCountsAsMissingAndIsNeverCalled) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PARTIAL_PATH);
    {
        CMediaInfoProbe probe;
        EXPECT_EQ(probe.ReadPlayTime(Answering("5432")), "Unable to load MediaInfo.dll");
    }
    EXPECT_FALSE(IsMediaInfoLoaded());
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PARTIAL_PATH), "");
}

TEST(PlayTimeSeconds, ReadsMillisecondsTheAtoiWayAndTruncates) {
    const struct {
        const char* text;
        double seconds;
    } cases[] = {{"5999", 5},
                 {"999", 0},
                 {" \t12345abc", 12},
                 {"+7000", 7},
                 {"-2500", -2},
                 {"12.9e3", 0},
                 {"Unable to load MediaInfo.dll", 0},
                 {"99999999999999999999", 2147483}};
    for (const auto& c : cases)
        EXPECT_EQ(PlayTimeSeconds(QString::fromUtf8(c.text)), c.seconds) << c.text;
}

} // namespace
