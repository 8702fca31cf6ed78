#include "tasks/MediaProbe.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The calls a stand-in library recorded, read through the library itself;
// `clear` empties the record.
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

TEST_F(MediaProbeTest, CallsTheFiveEntryPointsInOrderAndKeepsTheLibraryLoaded) {
    SetMediaInfoLibraryName(FAKE_MEDIAINFO_PATH);
    QFile file(dir.filePath("answer.avi"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("5432\n") == 5);
    file.close();
    QString text;
    {
        CMediaInfoProbe probe;
        text = probe.ReadPlayTime(file.fileName());
    }
    // The text is copied before the file is closed (the stand-in spoils it then).
    EXPECT_EQ(text, "5432");
    EXPECT_TRUE(IsMediaInfoLoaded());
    { CMediaInfoProbe second; }
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PATH), "New;Open(h," + file.fileName() +
                                              ");Get(h,0,0,PlayTime,1,0);Close(h);Delete(h);"
                                              "New;Delete(h);");
}

TEST_F(MediaProbeTest, MissingOrIncompleteLibraryGivesTheUnavailableTextAndIsNeverCalled) {
    for (const char* library : {"libmediainfo-missing.so.0", FAKE_MEDIAINFO_PARTIAL_PATH}) {
        SetMediaInfoLibraryName(library);
        CMediaInfoProbe probe;
        EXPECT_EQ(probe.ReadPlayTime("/any.avi"), "Unable to load MediaInfo.dll") << library;
        EXPECT_FALSE(IsMediaInfoLoaded());
    }
    EXPECT_EQ(Trace(FAKE_MEDIAINFO_PARTIAL_PATH), "");
}

TEST_F(MediaProbeTest, FailedLoadIsTriedAgainAtTheNextProbe) {
    const QString later = dir.filePath("libmediainfo-later.so");
    SetMediaInfoLibraryName(later);
    EXPECT_FALSE(CMediaInfoProbe().HasHandle());
    ASSERT_TRUE(QFile::copy(FAKE_MEDIAINFO_PATH, later));
    EXPECT_TRUE(CMediaInfoProbe().HasHandle());
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
