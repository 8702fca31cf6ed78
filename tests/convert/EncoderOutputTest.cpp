#include "convert/EncoderOutput.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const QString kAudioLine = "size=     652kB time=00:00:41.72 bitrate= 128.0kbits/s";
const QString kVideoLine =
    "frame=  123 fps= 45 q=2.0 size=    1234kB time=00:01:23.45 bitrate= 128.0kbits/s";

TEST(EncoderOutput, ElapsedSeconds) {
    const std::pair<QString, double> cases[] = {
        {" " + kAudioLine, 41},
        {kVideoLine, 83},
        {"size=  470kB time=00:00:30.01 bitrate= 128.2kbits/s speed=  90x\r", 30},
        {"size= 0kB time=00:00:00.99 bitrate=N/A", 0}, // hundredths do not count
        // A chunk that begins inside one line and holds the next.
        {"x bitrate= 1kbits/s\rsize= 2kB time=00:00:07.50 b", 7},
        // Plain seconds are misread as hours and minutes.
        {"size= 1kB time=83.45 bitrate= 1kbits/s", 83 * 3600 + 45 * 60},
        // Both markers are needed.
        {"size=  1kB time=00:00:41.72 speed=1x", 0},
        {"time=00:00:41.72 bitrate= 128.0kbits/s", 0},
        {"  Duration: 00:00:06.00, start: 0.000000, bitrate: 291 kb/s\n", 0},
        // Times that are no time: before the first packet, and negative ones.
        {"size=N/A time=N/A bitrate=N/A speed=N/A", 0},
        {"size= 0kB time=-577014:32:22.77 bitrate=  -0.0kbits/s", 0},
    };
    for (const auto& [text, seconds] : cases) {
        if (seconds > 0) {
            EXPECT_EQ(ParseElapsedSeconds(text), seconds) << text.toStdString();
        } else {
            EXPECT_LE(ParseElapsedSeconds(text), 0.0) << text.toStdString();
        }
    }
}

TEST(EncoderOutput, TimeCutByTheEndOfTheChunkIsNoReport) {
    const QString earlier = "x bitrate= 1kbits/s speed=1x\rsize= 2kB time=";
    // 01:00:30 is current; the cut texts would read as 01:01:01 or more.
    for (const QString cut : {"0", "01", "01:", "01:0", "01:00", "01:00:", "01:00:3"})
        EXPECT_EQ(ParseElapsedSeconds(earlier + cut), 0.0) << cut.toStdString();
    EXPECT_EQ(ParseElapsedSeconds(earlier + "01:00:30"), 3630.0);
}

TEST(EncoderOutput, TimeTextFieldsByPositionReadLikeAtoi) {
    const std::pair<const char*, double> cases[] = {
        {"01:02:03", 3723},           {"83.45", 83 * 3600 + 83 * 60 + 45},
        {" 1:02:03", 3723},           {"-1:00:00", -3600},
        {"1x:0y:5z", 3605},           {"ab:cd:ef", 0},
        {"7", 7 * 3600 + 7 * 60 + 7},
    };
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(ParseTimeText(text), seconds) << text;
}

TEST(EncoderOutput, OutputStatus) {
    const std::pair<QString, QString> cases[] = {
        {kAudioLine, "OutputSize:652kB     Frames:    "},
        {kVideoLine, "OutputSize:1234kB     Frames:123 fps= 45    "},
        // A "q=" before index 6 gives no frames.
        {"frameq= size= 5kB time=1", "OutputSize:5kB     Frames:    "},
        // Missing markers clamp instead of failing.
        {"nothing here", "OutputSize:     Frames:    "},
        {"size= 5kB speed=1x", "OutputSize:     Frames:    "},
        {"abcd 77kB time=1", "OutputSize:77kB     Frames:    "},
        // Longer than 60 characters is not available.
        {"a size=" + QString(33, 'x') + " time=1",
         "OutputSize:" + QString(33, 'x') + "     Frames:    "},
        {"a size=" + QString(34, 'x') + " time=1", "N/A"},
    };
    for (const auto& [line, status] : cases)
        EXPECT_EQ(FormatOutputStatus(line), status) << line.toStdString();
}

TEST(EncoderOutput, Percentages) {
    EXPECT_EQ(TaskPercent(31, 30), 103);
    EXPECT_EQ(TaskPercent(2, 3), 66);
    EXPECT_EQ(TaskPercent(-5, 30), 0);
    // No clip length: no division by zero; a huge ratio saturates.
    EXPECT_EQ(TaskPercent(1, 0), 0);
    EXPECT_EQ(TaskPercent(5, -10), 0);
    EXPECT_EQ(TaskPercent(1e12, 1e-12), INT_MAX);
    EXPECT_EQ(TotalPercent(0, 100, 3), 33);
    EXPECT_EQ(TotalPercent(0, 0, 0), 0);
    EXPECT_EQ(TotalPercent(-1, 0, 3), 0);
    EXPECT_EQ(TotalPercent(99, INT_MAX, 100), (99LL * 100 + INT_MAX) / 100);
}

} // namespace
