// What the real encoder makes of real files with the built command lines.

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

TEST(CoverPicture, OnePictureWhereTheContainerTakesOneWithTagsAndChapters) {
    QTemporaryDir dir;
    const QString d = dir.path() + '/';
    WriteFile(d + "meta.txt",
              ";FFMETADATA1\ntitle=Film\n[CHAPTER]\nTIMEBASE=1/10\nSTART=0\nEND=20\n"
              "title=One\n[CHAPTER]\nTIMEBASE=1/10\nSTART=20\nEND=60\ntitle=Two\n");
    // A 800x450 video and a tone as the first inputs; %1 is the folder.
    const QString video = "-f lavfi -i testsrc=s=800x450:d=6 -f lavfi -i sine=d=6 ";
    for (const QString command :
         {"-f lavfi -i color=red:s=160x120 -frames:v 1 %1red.png",
          "-f lavfi -i color=blue:s=200x100 -frames:v 1 %1blue.jpg",
          "-i %1red.png -i %1meta.txt -map 0 -map 1 -map 2 -map_metadata 3 -c:v mpeg4 "
          "-c:v:1 png -disposition:v:1 attached_pic -metadata:s:a title=Main -metadata:s:a "
          "language=eng "
          "%1cover.mp4",
          "-c:v mpeg4 -c:a flac -attach %1blue.jpg -metadata:s:t mimetype=image/jpeg "
          "%1attached.mkv",
          "-c:v mpeg4 -c:a libvorbis %1plain.mkv", "-f lavfi -i sine=d=6 %1sound.mka"}) {
        const QString inputs = command.contains("sine") || command.contains("color") ? "" : video;
        ASSERT_EQ(Output("ffmpeg", ("-v error -y " + inputs + command).arg(d).split(' ')), "");
    }

    const struct {
        const char* source;
        int format, chosen;
        double start, length; // 0, 6: the whole file
        const char *picture, *tagsAndChapters;
    } cases[] = {
        // The source's tags and chapters stay; a clip's are cut to it.
        {"cover.mp4", FormatMP3, -1, 0, 6, "160,120,1",
         "0.000000,2.000000,One\n2.000000,6.000000,Two\nFilm"},
        {"cover.mp4", FormatMP3, 0, 1.5, 3, "160,120,1",
         "0.000000,0.500000,One\n0.500000,3.000000,Two\neng,Film (Main)"},
        {"cover.mp4", FormatKeepOriginal, -1, 0, 6, "160,120,1", nullptr},    // M4A
        {"attached.mkv", FormatKeepOriginal, -1, 0, 6, "200,100,1", nullptr}, // FLAC
        {"plain.mkv", FormatMP3, -1, 3, 2.5, "600,338,1", nullptr},
        {"plain.mkv", FormatKeepOriginal, -1, 0, 6, "", nullptr}, // Ogg takes none
        {"sound.mka", FormatMP3, -1, 0, 6, "", nullptr},
        {"cover.mp4", FormatAAC, -1, 0, 6, "160,120,1", nullptr},
        {"plain.mkv", FormatFLAC, -1, 0, 6, "600,338,1", nullptr},
    };
    for (const auto& c : cases) {
        const MediaProbeResult probed = CMediaInfoProbe().Probe(d + c.source);
        Task task = MakeTask(d + c.source, int(PlayTimeSeconds(probed.playTime)), probed.tracks);
        task.tracks.chosenTrack = c.chosen;
        task.record.clipStart = c.start;
        task.record.clipLength = c.length;
        const OutputSettings settings{dir.path(), c.format, 128, 44100, 2, true};
        const EncoderJob job = BuildJob(task, settings, BinDir() + "vexa.exe");
        SCOPED_TRACE(job.commandLine.toStdString());
        QStringList arguments = CommandLineToArgv(job.commandLine);
        const QString program = arguments.takeFirst();
        ASSERT_EQ(Output(program, arguments), "");
        const auto probe = [&job](const char* entries) {
            return Output("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries",
                                      entries, "-of", "csv=p=0", job.outputPath});
        };
        EXPECT_EQ(probe("stream=width,height:stream_disposition=attached_pic"), c.picture);
        if (c.tagsAndChapters) {
            EXPECT_EQ(probe("format_tags=title,language:chapter=start_time,end_time:chapter_tags"),
                      c.tagsAndChapters);
            // ID3v2.3, which older players read.
            EXPECT_TRUE(ReadFile(job.outputPath).startsWith(QByteArray("ID3\x03", 4)));
        }
    }
}

} // namespace
