// The cover picture, the chosen track's tags and a clip's chapters, read back
// from what the real encoder makes of real files.

#include "TestSupport.h"
#include "convert/JobBuilder.h"
#include "platform/CommandLine.h"
#include "tasks/MediaProbe.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// Runs a program; its standard output, or "<failed>" with its errors.
QString Output(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return "<failed> " + p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// What ffprobe reads of a file's pictures (its video streams), tags or chapters.
QString Probe(const QString& path, const QString& entries) {
    return Output("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", entries,
                              "-of", "csv=p=0", path});
}

class CoverPictureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::make_unique<QTemporaryDir>();
        const QString d = dir->path() + '/';
        WriteFile(d + "meta.txt",
                  ";FFMETADATA1\ntitle=Film\n"
                  "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\ntitle=One\n"
                  "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=4000\ntitle=Two\n"
                  "[CHAPTER]\nTIMEBASE=1/1000\nSTART=4000\nEND=6000\ntitle=Three\n");
        const QStringList video{"-f", "lavfi", "-i", "testsrc=s=800x450:d=6",
                                "-f", "lavfi", "-i", "sine=d=6"};
        const QStringList made[] = {
            {"-f", "lavfi", "-i", "color=red:s=160x120", "-frames:v", "1", d + "red.png"},
            {"-f", "lavfi", "-i", "color=blue:s=200x100", "-frames:v", "1", d + "blue.jpg"},
            video + QStringList{"-i",
                                d + "red.png",
                                "-i",
                                d + "meta.txt",
                                "-map",
                                "0",
                                "-map",
                                "1",
                                "-map",
                                "2",
                                "-map_metadata",
                                "3",
                                "-c:v:0",
                                "mpeg4",
                                "-c:v:1",
                                "png",
                                "-disposition:v:1",
                                "attached_pic",
                                "-metadata:s:a",
                                "title=Main",
                                "-metadata:s:a",
                                "language=eng",
                                d + "cover.mp4"},
            video + QStringList{"-c:v", "mpeg4", "-c:a", "flac", "-attach", d + "blue.jpg",
                                "-metadata:s:t", "mimetype=image/jpeg", d + "attached.mkv"},
            video + QStringList{"-c:v", "mpeg4", "-c:a", "libvorbis", d + "plain.mkv"},
            {"-f", "lavfi", "-i", "sine=d=6", d + "sound.mka"},
        };
        for (const QStringList& arguments : made)
            error += Output("ffmpeg", QStringList{"-v", "error", "-y"} + arguments);
    }
    static void TearDownTestSuite() { dir.reset(); }

    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline QString error;
};

TEST_F(CoverPictureTest, OnePictureWhereTheContainerTakesOneWithTagsAndChapters) {
    ASSERT_EQ(error, "");
    const struct {
        const char* source;
        int format, chosen;
        double start, length; // 0, 0: the whole file
        const char *extension, *picture, *tags, *chapters;
    } cases[] = {
        {"cover.mp4", FormatMP3, -1, 0, 0, "mp3", "160,120", "Film",
         "0.000000,2.000000,One\n2.000000,4.000000,Two\n4.000000,6.000000,Three"},
        {"cover.mp4", FormatMP3, 0, 1.5, 3, "mp3", "160,120", "eng,Film (Main)",
         "0.000000,0.500000,One\n0.500000,2.500000,Two\n2.500000,3.000000,Three"},
        {"cover.mp4", FormatKeepOriginal, -1, 0, 0, "m4a", "160,120", nullptr, nullptr},
        {"attached.mkv", FormatKeepOriginal, -1, 0, 0, "flac", "200,100", nullptr, nullptr},
        {"plain.mkv", FormatMP3, -1, 1.5, 3, "mp3", "600,338", nullptr, nullptr},
        {"plain.mkv", FormatKeepOriginal, -1, 0, 0, "ogg", "", nullptr, nullptr},
        {"cover.mp4", FormatWAV, -1, 0, 0, "wav", "", nullptr, nullptr},
        {"sound.mka", FormatMP3, -1, 0, 0, "mp3", "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const QString source = dir->filePath(c.source);
        const MediaProbeResult probed = CMediaInfoProbe().Probe(source);
        Task task = MakeTask(source, int(PlayTimeSeconds(probed.playTime)), probed.tracks);
        task.tracks.chosenTrack = c.chosen;
        if (c.length > 0) {
            task.record.clipStart = c.start;
            task.record.clipLength = c.length;
        }
        QTemporaryDir out;
        OutputSettings settings{out.path(), c.format, 128, 44100, 2};
        settings.coverPicture = true;
        const EncoderJob job = BuildJob(task, settings, BinDir() + "vexa.exe");
        SCOPED_TRACE(job.commandLine.toStdString());
        ASSERT_TRUE(job.outputPath.endsWith(c.extension));
        QStringList arguments = CommandLineToArgv(job.commandLine);
        const QString program = arguments.takeFirst();
        ASSERT_EQ(Output(program, arguments), "");
        EXPECT_EQ(Probe(job.outputPath, "stream=width,height:stream_disposition=attached_pic"),
                  QString(c.picture).isEmpty() ? "" : QString(c.picture) + ",1");
        if (c.tags) {
            EXPECT_EQ(Probe(job.outputPath, "format_tags=title,language"), c.tags);
        }
        if (c.chapters) {
            EXPECT_EQ(Probe(job.outputPath, "chapter=start_time,end_time:chapter_tags=title"),
                      c.chapters);
        }
        if (c.format == FormatMP3) { // ID3v2.3, which older players read
            EXPECT_TRUE(ReadFile(job.outputPath).startsWith(QByteArray("ID3\x03", 4)));
        }
    }
}

} // namespace
