// Reading the encoder's progress: the documented lines, the markers' rules,
// percentages, and the real encoder's standard error cut as a pipe cuts it.

#include "convert/EncoderCommand.h"
#include "convert/EncoderOutput.h"
#include "platform/CommandLine.h"
#include "TestSupport.h"
#include "tasks/TaskTable.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kAudioLine = "size=     652kB time=00:00:41.72 bitrate= 128.0kbits/s";
const QString kVideoLine =
    "frame=  123 fps= 45 q=2.0 size=    1234kB time=00:01:23.45 bitrate= 128.0kbits/s";

// The largest time any chunk reports when `output` arrives in chunks of
// `chunkSize` bytes; fails the test when one chunk reports more than `limit`.
double MaxOverChunks(const QByteArray& output, qsizetype chunkSize, double limit) {
    double best = 0;
    for (qsizetype at = 0; at < output.size(); at += chunkSize) {
        const QString chunk = QString::fromUtf8(output.mid(at, chunkSize));
        const double seconds = ParseElapsedSeconds(chunk);
        EXPECT_LE(seconds, limit) << "chunk size " << chunkSize << ": " << chunk.toStdString();
        best = std::max(best, seconds);
    }
    return best;
}

} // namespace

class ElapsedSeconds : public ::testing::Test {};

TEST_F(ElapsedSeconds, ProgressLinesWithAndWithoutFrames) {
    EXPECT_EQ(ParseElapsedSeconds(" " + kAudioLine), 41.0);
    EXPECT_EQ(ParseElapsedSeconds(kVideoLine), 83.0);
    EXPECT_EQ(ParseElapsedSeconds("size=  470kB time=00:00:30.01 bitrate= 128.2kbits/s "
                                  "speed=  90x\r"),
              30.0);
}

TEST_F(ElapsedSeconds, NeedsBothMarkersAfterTheStart) {
    EXPECT_EQ(ParseElapsedSeconds("size=  1kB time=00:00:41.72 speed=1x"), 0.0);
    EXPECT_EQ(ParseElapsedSeconds("time=00:00:41.72 bitrate= 128.0kbits/s"), 0.0);
    EXPECT_EQ(ParseElapsedSeconds("bitrate= 128.0kbits/s time=00:00:41.72"), 0.0);
    EXPECT_EQ(ParseElapsedSeconds("Input #0, matroska,webm, from 'clip.mkv':\n  Duration: "
                                  "00:00:06.00, start: 0.000000, bitrate: 291 kb/s\n"),
              0.0);
    EXPECT_EQ(ParseElapsedSeconds(""), 0.0);
}

TEST_F(ElapsedSeconds, BitrateMayStandBeforeTime) {
    // A chunk that begins inside one line and holds the next.
    EXPECT_EQ(ParseElapsedSeconds("x bitrate= 1kbits/s\rsize= 2kB time=00:00:07.50 b"), 7.0);
}

TEST_F(ElapsedSeconds, HundredthsDoNotCount) {
    EXPECT_EQ(ParseElapsedSeconds("size= 0kB time=00:00:00.99 bitrate=N/A"), 0.0);
    EXPECT_EQ(ParseElapsedSeconds("size= 0kB time=00:00:01.00 bitrate=N/A"), 1.0);
}

TEST_F(ElapsedSeconds, TimesThatAreNoTimeReadAsNoProgress) {
    // ffmpeg 7 before the first packet, and the negative times of older ones.
    EXPECT_LE(ParseElapsedSeconds("size=N/A time=N/A bitrate=N/A speed=N/A"), 0.0);
    EXPECT_LE(ParseElapsedSeconds("size= 0kB time=-577014:32:22.77 bitrate=  -0.0kbits/s"), 0.0);
    EXPECT_LE(ParseElapsedSeconds("size= 0kB time=-00:00:00.02 bitrate=  -0.0kbits/s"), 0.0);
}

TEST_F(ElapsedSeconds, TimeCutByTheEndOfTheChunkIsNoReport) {
    const QString earlier = "x bitrate= 1kbits/s speed=1x\rsize= 2kB time=";
    // 01:00:30 is current; the cut texts would read as 01:01:01 or more.
    for (const QString cut : {"0", "01", "01:", "01:0", "01:00", "01:00:", "01:00:3"})
        EXPECT_EQ(ParseElapsedSeconds(earlier + cut), 0.0) << cut.toStdString();
    EXPECT_EQ(ParseElapsedSeconds(earlier + "01:00:30"), 3630.0);
}

TEST_F(ElapsedSeconds, NoChunkingOfAnHourLongRunOvershoots) {
    QByteArray output = "Output #0, mp3, to 'out.mp3':\n";
    for (int half = 7200; half <= 7262; ++half) { // 01:00:00 to 01:00:31
        const int s = half / 2;
        output += QString::asprintf("size=  %6dkB time=%02d:%02d:%02d.%02d bitrate= 128.0kbits/s "
                                    "speed=50.1x\r",
                                    s * 16, s / 3600, s % 3600 / 60, s % 60, half % 2 * 50)
                      .toUtf8();
    }
    output += "\nvideo:0kB audio:470kB\n";
    for (qsizetype size = 1; size <= 256; ++size) {
        const double reached = MaxOverChunks(output, size, 3631);
        if (size >= 2 * 70) // every chunk then holds a whole line
            EXPECT_GE(reached, 3620) << size;
    }
}

class TimeText : public ::testing::Test {};

TEST_F(TimeText, FieldsByPosition) {
    EXPECT_EQ(ParseTimeText("01:02:03"), 3723.0);
    EXPECT_EQ(ParseTimeText("00:00:00"), 0.0);
    EXPECT_EQ(ParseTimeText("99:59:59"), 359999.0);
    EXPECT_EQ(ParseTimeText("83.45"), 83 * 3600 + 83 * 60 + 45.0);
    // Through a progress line, plain seconds are misread as hours and minutes.
    EXPECT_EQ(ParseElapsedSeconds("size= 1kB time=83.45 bitrate= 1kbits/s"), 83 * 3600 + 45 * 60.0);
}

TEST_F(TimeText, AtoiReading) {
    EXPECT_EQ(ParseTimeText(" 1:02:03"), 3723.0);
    EXPECT_EQ(ParseTimeText("-1:00:00"), -3600.0);
    EXPECT_EQ(ParseTimeText("+1:00:07"), 3607.0);
    EXPECT_EQ(ParseTimeText("ab:cd:ef"), 0.0);
    EXPECT_EQ(ParseTimeText("1x:0y:5z"), 3600 + 5.0);
    EXPECT_EQ(ParseTimeText(""), 0.0);
    EXPECT_EQ(ParseTimeText("7"), 7 * 3600 + 7 * 60 + 7.0);
}

class OutputStatus : public ::testing::Test {};

TEST_F(OutputStatus, AudioLineHasNoFrames) {
    EXPECT_EQ(FormatOutputStatus(kAudioLine), "OutputSize:652kB     Frames:    ");
}

TEST_F(OutputStatus, VideoLineShowsFrameCountAndFps) {
    EXPECT_EQ(FormatOutputStatus(kVideoLine), "OutputSize:1234kB     Frames:123 fps= 45    ");
}

TEST_F(OutputStatus, QuarterBeforeIndexSixGivesNoFrames) {
    EXPECT_EQ(FormatOutputStatus("ab q=1 size= 5kB time=00:00:01.00 bitrate=1"),
              "OutputSize:5kB     Frames:    ");
    EXPECT_EQ(FormatOutputStatus("frameq= size= 5kB time=1"), "OutputSize:5kB     Frames:    ");
}

TEST_F(OutputStatus, MissingMarkersClampInsteadOfFailing) {
    EXPECT_EQ(FormatOutputStatus("nothing here"), "OutputSize:     Frames:    ");
    // No "time=": the size text runs to nothing.
    EXPECT_EQ(FormatOutputStatus("size= 5kB speed=1x"), "OutputSize:     Frames:    ");
    // No "size=": the text runs from index 4 up to "time=".
    EXPECT_EQ(FormatOutputStatus("abcd 77kB time=1"), "OutputSize:77kB     Frames:    ");
    EXPECT_EQ(FormatOutputStatus(""), "OutputSize:     Frames:    ");
}

TEST_F(OutputStatus, LongerThanSixtyIsNotAvailable) {
    const qsizetype fixed = QString("OutputSize:     Frames:    ").size();
    const QString fits = QString(60 - fixed, 'x');
    const QString tooLong = QString(60 - fixed + 1, 'x');
    EXPECT_EQ(FormatOutputStatus("a size=" + fits + " time=1").size(), 60);
    EXPECT_EQ(FormatOutputStatus("a size=" + tooLong + " time=1"), "N/A");
}

class Percentages : public ::testing::Test {};

TEST_F(Percentages, TaskPercent) {
    EXPECT_EQ(TaskPercent(15, 30), 50);
    EXPECT_EQ(TaskPercent(31, 30), 103);
    EXPECT_EQ(TaskPercent(1, 3), 33);
    EXPECT_EQ(TaskPercent(2, 3), 66);
    EXPECT_EQ(TaskPercent(-5, 30), 0);
    EXPECT_EQ(TaskPercent(0, 30), 0);
}

TEST_F(Percentages, TaskPercentWithoutClipLengthIsZero) {
    EXPECT_EQ(TaskPercent(1, 0), 0);
    EXPECT_EQ(TaskPercent(5, -10), 0);
    EXPECT_EQ(TaskPercent(1e12, 1e-12), INT_MAX);
}

TEST_F(Percentages, TotalPercent) {
    EXPECT_EQ(TotalPercent(1, 50, 3), 50);
    EXPECT_EQ(TotalPercent(0, 100, 3), 33);
    EXPECT_EQ(TotalPercent(2, 100, 3), 100);
    EXPECT_EQ(TotalPercent(0, 103, 1), 103);
    EXPECT_EQ(TotalPercent(0, 0, 0), 0);
    EXPECT_EQ(TotalPercent(-1, 0, 3), 0);
    EXPECT_EQ(TotalPercent(99, INT_MAX, 100), (99LL * 100 + INT_MAX) / 100);
}

// The real encoder's standard error, read the way a 256-byte pipe read
// delivers it.
TEST(RealEncoderProgress, ReachesTheClipLengthAndNeverMore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.path() + "/clip.mkv";
    const double seconds = 6;
    QString error;
    ASSERT_TRUE(testing_support::MakeMedia(source, seconds, &error)) << error.toStdString();

    TaskRecord task{};
    task.duration = seconds;
    task.clipLength = seconds;
    ASSERT_TRUE(SetFixedText(task.sourcePath, source));
    ASSERT_TRUE(SetFixedText(task.title, GetTitle(source)));
    OutputSettings settings;
    settings.outputFolder = dir.path();
    settings.format = FormatMP3;
    settings.bitrate = 128;
    settings.sampleRate = 44100;
    settings.channels = 2;
    const QStringList argv = CommandLineToArgv(
        BuildEncoderCommandLine(task, settings, "mp3", testing_support::BinDir() + "vexa.exe"));

    QProcess encoder;
    encoder.setStandardInputFile(QProcess::nullDevice());
    encoder.start(argv.first(), argv.mid(1));
    ASSERT_TRUE(encoder.waitForFinished(120000));
    ASSERT_EQ(encoder.exitCode(), 0);
    const QByteArray output = encoder.readAllStandardError();
    ASSERT_TRUE(output.contains("time=")) << output.toStdString();

    const double reached = MaxOverChunks(output, 256, seconds);
    EXPECT_NEAR(reached, seconds, 1.0) << output.toStdString();
    EXPECT_EQ(TaskPercent(reached, seconds), int(100 * reached / seconds));
    // Other cuts of the same output never read more either.
    for (const qsizetype size : {1, 7, 31, 64, 100, 255})
        MaxOverChunks(output, size, seconds);
}
