#include "convert/EncoderCommand.h"
#include "convert/JobBuilder.h"
#include "TestSupport.h"
#include "platform/CommandLine.h"
#include "platform/FileSystem.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kEncoder = "/opt/tools/vexa.exe";
const QString kSource = "/video/clip one.avi";

SoundTrack Track(const QString& format, const QString& profile = QString()) {
    SoundTrack t;
    t.format = format;
    t.formatProfile = profile;
    return t;
}

// Two known tracks, the second the file's default, none chosen.
TaskTracks TwoTracks(int chosen = -1) {
    TaskTracks tracks{{Track("AAC"), Track("AC-3")}, chosen};
    tracks.tracks[1].isDefault = true;
    return tracks;
}

// The command of a task with the tracks given; without a choice the designed
// formats' lines are exactly those of the design, whatever the tracks.
QString Build(const QString& source, double clipStart, double clipLength, int format,
              const QString& folder = "/music", int channels = 2, const QString& encoder = kEncoder,
              const TaskTracks& tracks = TwoTracks()) {
    TaskRecord task{};
    task.duration = 120;
    task.clipStart = clipStart;
    task.clipLength = clipLength;
    EXPECT_TRUE(SetFixedText(task.sourcePath, source));
    EXPECT_TRUE(SetFixedText(task.title, GetTitle(source)));
    const OutputSettings settings{folder, format, 128, 44100, channels};
    return BuildJob({task, tracks}, settings, encoder).commandLine;
}

// A chosen track is named right after the source; Keep Original copies the
// track its container was chosen for, without encoder settings.
TEST(EncoderCommand, ExactTextForPathsWithoutQuotesChosenTracksAndKeepOriginal) {
    struct Case {
        QString command, expected;
    };
    const Case cases[] = {
        {Build(kSource, 12.5, 30, FormatMP3),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -ss 12.500000 -t 30.000000 -y "
         "-acodec libmp3lame -ab 128k -ac 2 -ar 44100 \"/music/clip one.mp3\""},
        {Build(kSource, 0, 120, FormatWAV, "/music", 1),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -vn -ab 128k -ac 1 -ar 44100 "
         "\"/music/clip one.wav\""},
        {Build(kSource, 0, 120, FormatAC3, "/music", 0),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -acodec ac3 -ab 128k -ac 2 "
         "-ar 44100 \"/music/clip one.ac3\""},
        // Any other format takes the MP3 command; any channel count but 1 gives 2.
        {Build(kSource, 0, 120, 9, "/music", 3),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -acodec libmp3lame -ab 128k "
         "-ac 2 -ar 44100 \"/music/clip one.mp3\""},
        // Percent signs stay literal; backslashes not before a quote are only wrapped.
        {Build("/video/100%s %d\\b.avi", 0, 120, FormatWAV, "/out %n\\p"),
         "\"/opt/tools/vexa.exe\" -i \"/video/100%s %d\\b.avi\"  -y -vn -ab 128k -ac 2 -ar 44100 "
         "\"/out %n\\p/100%s %d\\b.wav\""},
        {Build(kSource, 12.5, 30, FormatMP3, "/music", 2, kEncoder, TwoTracks(0)),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -map 0:a:0 -ss 12.500000 -t "
         "30.000000 -y -acodec libmp3lame -ab 128k -ac 2 -ar 44100 \"/music/clip one.mp3\""},
        {Build(kSource, 0, 120, FormatWAV, "/music", 1, kEncoder, TwoTracks(1)),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -map 0:a:1  -y -vn -ab 128k -ac 1 "
         "-ar 44100 \"/music/clip one.wav\""},
        // No choice: the default track (the second), in its own container.
        {Build(kSource, 0, 120, FormatKeepOriginal),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -map 0:a:1  -y -vn -sn -acodec copy "
         "\"/music/clip one.ac3\""},
        {Build(kSource, 12.5, 30, FormatKeepOriginal, "/music", 2, kEncoder, TwoTracks(0)),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -map 0:a:0 -ss 12.500000 -t "
         "30.000000 -y -vn -sn -acodec copy \"/music/clip one.m4a\""},
        // Tracks unknown: the encoder picks, into the container that takes any.
        {Build(kSource, 0, 120, FormatKeepOriginal, "/music", 2, kEncoder, TaskTracks()),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -vn -sn -acodec copy "
         "\"/music/clip one.mka\""},
        // A choice beyond the known tracks names none.
        {Build(kSource, 0, 120, FormatAC3, "/music", 2, kEncoder, TwoTracks(2)),
         "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -acodec ac3 -ab 128k -ac 2 "
         "-ar 44100 \"/music/clip one.ac3\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.command, c.expected);
}

// Keep Original picks the container by the track's format (MPEG Audio by its
// layer); anything else goes into the container that takes any sound.
TEST(EncoderCommand, KeptContainerFollowsTheTrack) {
    const std::pair<SoundTrack, const char*> kept[] = {
        {Track("ALAC"), "m4a"},
        {Track("MPEG Audio", "Layer 3"), "mp3"},
        {Track("MPEG Audio", "Layer 2"), "mka"},
        {Track("E-AC-3"), "eac3"},
        {Track("TrueHD"), "mka"},
        {Track(""), "mka"},
    };
    for (const auto& [track, extension] : kept)
        EXPECT_EQ(KeepOriginalExtension(track), extension) << track.format.toStdString();
}

TEST(EncoderCommand, ClipOption) {
    struct Case {
        double start, length;
        const char* expected;
    };
    const Case cases[] = {
        // The whole playing time, whatever the start, within a tenth of a second.
        {0, 60, ""},
        {5, 60, ""},
        {0, 59.95, ""},
        {0, 60.05, ""},
        // Beyond that; a start beyond the end becomes 0; six decimals.
        {0, 59.85, "-ss 0.000000 -t 59.850000"},
        {1, 60.15, "-ss 1.000000 -t 60.150000"},
        {75, 10, "-ss 0.000000 -t 10.000000"},
        {60, 10, "-ss 60.000000 -t 10.000000"},
        {1.0 / 3, 2.0 / 3, "-ss 0.333333 -t 0.666667"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildClipOption(60, c.start, c.length), c.expected) << c.start << " " << c.length;
}

TEST(EncoderCommand, OutputPathIsFolderSlashTitleWithoutLeadingBlanks) {
    EXPECT_EQ(BuildOutputPath("/music", " \t clip  ", "wav"), "/music/clip  .wav");
    EXPECT_EQ(BuildOutputPath("/music/", " clip", "ac3"), "/music//clip.ac3");
    EXPECT_EQ(BuildOutputPath("", " clip", "mp3"), "/clip.mp3");
}

// The task's own extension and its chosen track stay.
TEST(EncoderCommand, DistinctNameKeepsTheExtensionAndTheTrack) {
    TaskRecord task{};
    task.duration = task.clipLength = 120;
    ASSERT_TRUE(SetFixedText(task.sourcePath, kSource));
    ASSERT_TRUE(SetFixedText(task.title, GetTitle(kSource)));
    const OutputSettings settings{"/music", FormatKeepOriginal, 128, 44100, 2};
    const EncoderJob job = BuildJob({task, TwoTracks(0)}, settings, kEncoder, 3);
    EXPECT_EQ(job.outputPath, "/music/clip one (3).m4a");
    EXPECT_EQ(job.commandLine, "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -map 0:a:0  -y "
                               "-vn -sn -acodec copy \"/music/clip one (3).m4a\"");
}

// An encoder path that cannot be written names no program at all (cut at the
// quote, "/opt/my" could be another program).
TEST(EncoderCommand, SplitGivesAwkwardPathsBackWhole) {
    struct Case {
        QString encoder, source, folder, encoderArgument, output;
    };
    const Case cases[] = {
        {"/opt/my tools/vexa.exe", "/vidéo/Ünïcode  two\tblanks.mkv", "/mü sic",
         "/opt/my tools/vexa.exe", "/mü sic/Ünïcode  two\tblanks.mp3"},
        {kEncoder, "/video/the \"best\" clip.avi", "/out \"A\"", kEncoder,
         "/out \"A\"/the \"best\" clip.mp3"},
        {kEncoder, "/video/odd\\\\\"name\\", "/out\\", kEncoder, "/out\\/odd\\\\\"name\\.mp3"},
        {"/opt/o\"dd/vexa.exe", kSource, "/music", "/opt/o\"dd/vexa.exe", "/music/clip one.mp3"},
        {"/opt/my \"tools\"/vexa.exe", kSource, "/music", "", "/music/clip one.mp3"},
        {"\"quoted/vexa.exe", kSource, "/music", "", "/music/clip one.mp3"},
    };
    for (const Case& c : cases) {
        const QStringList expected =
            QStringList{c.encoderArgument, "-i", c.source} +
            QString("-ss 0.000000 -t 30.000000 -y -acodec libmp3lame -ab 128k -ac 2 -ar 44100")
                .split(' ') +
            QStringList{c.output};
        EXPECT_EQ(CommandLineToArgv(Build(c.source, 0, 30, FormatMP3, c.folder, 2, c.encoder)),
                  expected)
            << c.source.toStdString();
    }
}

TEST(EncoderCommand, EncoderBesideTheProgramOrElseOnlyAPrivateOneInTheTemporaryFolder) {
    QTemporaryDir program, temporary;
    testing_support::ProgramFolderOverride programFolder(program.path());
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    EXPECT_EQ(LocateEncoder(), ""); // none anywhere: nothing is named

    QFile shared(temporary.filePath("vexa.exe"));
    ASSERT_TRUE(testing_support::WriteFile(shared.fileName(), ""));
    ASSERT_TRUE(shared.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(LocateEncoder(), temporary.filePath("vexa.exe"));
    // One that others may change is another user's program as far as we know.
    ASSERT_TRUE(shared.setPermissions(shared.permissions() | QFile::WriteOther));
    EXPECT_EQ(LocateEncoder(), "");
    EXPECT_TRUE(CommandLineToArgv(Build("/v/a.avi", 0, 30, FormatMP3, "/o", 2, LocateEncoder()))
                    .first()
                    .isEmpty());

    ASSERT_TRUE(testing_support::WriteFile(program.filePath("vexa.exe"), ""));
    EXPECT_EQ(LocateEncoder(), program.filePath("vexa.exe"));
    if (savedTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmp);
}

TEST(EncoderCommand, ChapterJobsAreNamedAndTaggedAfterTheirChapter) {
    const QString hundred(100, 'x');
    const std::pair<QString, QString> titles[] = {
        {"Intro", "Intro"},
        {"Side 1/2", "Side 1-2"},
        {"", "Chapter 3"},
        {" \t\n ", "Chapter 3"},
        {QString("a\x01") + "b\nc\x7f", "abc"},
        {hundred + "yz", hundred},
        {hundred.chopped(1) + QString::fromUtf8("\U0001F3B5!"),
         hundred.chopped(1) + QString::fromUtf8("\U0001F3B5")},
    };
    for (const auto& [title, file] : titles)
        EXPECT_EQ(ChapterFileTitle(title, 3), file) << title.toStdString();
    EXPECT_EQ(ChapterOutputTitle(" a %1 b", {7, 120, "End"}), " a %1 b - 007 - End");

    TaskRecord task{120, 30, 15.5, {}, {}, 0, 0};
    ASSERT_TRUE(SetFixedText(task.sourcePath, kSource));
    ASSERT_TRUE(SetFixedText(task.title, GetTitle(kSource)));
    const EncoderJob job = BuildJob({task, TaskTracks(), {}, {2, 12, "Side \"1/2\""}},
                                    {"/music", FormatMP3, 128, 44100, 2}, kEncoder, 2);
    EXPECT_EQ(job.outputPath, "/music/clip one - 02 - Side \"1-2\" (2).mp3");
    EXPECT_EQ(job.commandLine,
              "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\" -ss 30.000000 -t 15.500000 -y "
              "-acodec libmp3lame -ab 128k -ac 2 -ar 44100 -map_chapters -1 -metadata "
              "\"title=Side \\\"1/2\\\"\" -metadata track=2/12 "
              "\"/music/clip one - 02 - Side \\\"1-2\\\" (2).mp3\"");
}

// The more formats take only what their codecs take: FLAC no bitrate, Opus
// only 48000 Hz, and a bitrate the encoder refuses for the channels and rate
// (each list value tried with it) becomes the nearest it takes.
TEST(EncoderCommand, MoreFormatsTakeWhatTheirCodecsTake) {
    TaskRecord task{};
    task.duration = task.clipLength = 120;
    ASSERT_TRUE(SetFixedText(task.sourcePath, kSource) && SetFixedText(task.title, "a"));
    const std::pair<OutputSettings, const char*> cases[] = {
        {{"/o", FormatFLAC, 320, 22050, 1}, "flac -sample_fmt s16 -ac 1 -ar 22050 \"/o/a.flac\""},
        {{"/o", FormatOpus, 320, 44100, 1}, "libopus -ab 256k -ac 1 -ar 48000 \"/o/a.opus\""},
        {{"/o", FormatAAC, 320, 32000, 2}, "aac -ab 320k -ac 2 -ar 32000 \"/o/a.m4a\""},
        {{"/o", FormatVorbis, 96, 22050, 1}, "libvorbis -ab 80k -ac 1 -ar 22050 \"/o/a.ogg\""},
        {{"/o", FormatVorbis, 40, 44100, 2}, "libvorbis -ab 48k -ac 2 -ar 44100 \"/o/a.ogg\""},
        {{"/o", FormatVorbis, 112, 32000, 1}, "libvorbis -ab 112k -ac 1 -ar 32000 \"/o/a.ogg\""},
    };
    for (const auto& [settings, arguments] : cases)
        EXPECT_EQ(BuildJob({task, {}}, settings, kEncoder).commandLine,
                  "\"/opt/tools/vexa.exe\" -i \"/video/clip one.avi\"  -y -vn -sn -acodec " +
                      QString(arguments));
}

} // namespace
