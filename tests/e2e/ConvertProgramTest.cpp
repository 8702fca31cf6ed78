// ostrela-convert run as a shell runs it, from a program folder of the test's
// own (the program, its core library, the vexa.exe link and an option.ini),
// converting videos made at test time with the real encoder.

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <tuple>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

// The encoder's checksum over every packet of a file's n-th sound track.
QByteArray PacketHash(const QString& path, int track) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", path, "-map", QString("0:a:%1").arg(track), "-c",
                       "copy", "-f", "streamhash", "-hash", "sha256", "-"});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QByteArray();
    const QByteArray line = p.readAllStandardOutput();
    const qsizetype at = line.indexOf("SHA256=");
    return at < 0 ? QByteArray() : line.mid(at).trimmed();
}

class ConvertProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.isValid() && work.isValid());
        for (const char* name : {"ostrela-convert", "libostrela_core.so"})
            ASSERT_TRUE(QFile::copy(BinDir() + name, program.filePath(name))) << name;
        ASSERT_TRUE(
            QFile::link(QFile::symLinkTarget(BinDir() + "vexa.exe"), program.filePath("vexa.exe")));
    }

    QByteArray IniBytes() { return ReadFile(program.filePath("option.ini")); }

    // Puts a stand-in in place of the encoder: a source named "hang..." gets
    // "partial" and an encoder that never ends (its process id in
    // encoder.pid), any other "audio".
    void UseStandInEncoder() {
        ASSERT_TRUE(QFile::remove(program.filePath("vexa.exe")));
        ASSERT_TRUE(WriteFile(program.filePath("vexa.exe"), R"(#!/bin/sh
for last; do :; done
case "$2" in *hang*)
  echo partial > "$last"; echo $$ > "$(dirname "$0")/encoder.pid"; exec sleep 600 ;;
esac
echo audio > "$last"
)"));
        ASSERT_TRUE(QFile::setPermissions(program.filePath("vexa.exe"),
                                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther));
    }

    // Starts the program in the work folder; `started` runs while it does.
    ProgramRun Convert(const QStringList& arguments, int timeoutMs = 120000,
                       const std::function<void(QProcess&)>& started = {}) {
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.start(program.filePath("ostrela-convert"), arguments);
        EXPECT_TRUE(p.waitForStarted());
        if (started)
            started(p);
        EXPECT_TRUE(p.waitForFinished(timeoutMs));
        ProgramRun run;
        run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

    QString Video(const QString& name, double seconds = 2.0) {
        const QString path = work.filePath(name);
        QString error;
        EXPECT_TRUE(MakeMedia(path, seconds, &error)) << error.toStdString();
        return path;
    }

    QTemporaryDir program, work;
};

TEST_F(ConvertProgramTest, HelpVersionAndUsageErrors) {
    ProgramRun run = Convert({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Usage: ostrela-convert")) << run.out.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    run = Convert({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("ostrela-convert " OSTRELA_VERSION "\n"));
    // What is wrong (each mistake is ConvertCommandTest's), then the usage.
    run = Convert({"--out", "o"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("ostrela-convert: no video file was given\n\nUsage: "))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFile::exists(work.filePath("o")));
    EXPECT_EQ(IniBytes(), "<missing>");
}

// The window's stored choice (WAV, 44100 Hz, mono) applies to files given
// with relative paths, into a relative folder made for them; each file that
// cannot be converted is named with its reason, and the others go on.
TEST_F(ConvertProgramTest, StoredSettingsApplyAndFilesThatCannotBeConvertedAreNamed) {
    const QByteArray ini =
        "[TaskSetting]\r\nOutputFormat=2\r\nAudioBitrate=3\r\nSampleRate=1\r\nChannel=0\r\n";
    ASSERT_TRUE(WriteFile(program.filePath("option.ini"), ini));
    Video("one.mp4");
    Video("two.avi");
    Video("three four.mkv");
    const QString broken = work.filePath("broken.avi");
    ASSERT_TRUE(WriteFile(broken, QByteArray(4096, '\x5a')));
    QString error;
    ASSERT_TRUE(MakeVideo(work.filePath("silent.mp4"), 1.0, {}, &error)) << error.toStdString();

    const ProgramRun run = Convert({"--jobs", "2", "--out", "sound", "one.mp4", "broken.avi",
                                    "two.avi", "silent.mp4", "missing.mp4", "three four.mkv"});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.err.toStdString();
    EXPECT_EQ(
        lines.filter(QRegularExpression("^" + QRegularExpression::escape(broken) + ": \\S")).size(),
        1)
        << run.err.toStdString();
    EXPECT_TRUE(lines.contains(work.filePath("silent.mp4") + ": the source has no sound track"));
    EXPECT_TRUE(lines.contains(work.filePath("missing.mp4") + ": the file does not exist"));
    EXPECT_TRUE(run.out.endsWith("Converted 3 of 6 files into " + work.filePath("sound") + "\n"))
        << run.out.toStdString();
    for (const char* name : {"one.wav", "two.wav", "three four.wav"}) {
        const MediaFacts facts = ProbeMedia(work.filePath(QString("sound/") + name));
        EXPECT_EQ(std::tuple(facts.codec, facts.sampleRate, facts.channels),
                  std::tuple(QString("pcm_s16le"), 44100, 1))
            << name;
        EXPECT_NEAR(facts.duration, 2.0, 0.15) << name;
    }
    EXPECT_EQ(QDir(work.filePath("sound")).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(IniBytes(), ini);
}

// Keep Original stores each file's default track, or the one --track names,
// packet for packet in the container of its format; a file without that
// track is named.
TEST_F(ConvertProgramTest, OriginalKeepsEachChosenTrackPacketForPacketInItsContainer) {
    TestMediaSet media;
    QString error;
    ASSERT_TRUE(media.Make(work.path(), &error)) << error.toStdString();
    ProgramRun run = Convert(
        {"--format", "original", "--out", "kept", media.twoTrackMkv, media.aacMp4, media.mp3Avi});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = Convert({"--format", "original", "--track", "2", "--out", "second", media.twoTrackMkv,
                   media.aacMp4});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, media.aacMp4 + ": the source has no sound track 2 (it has 1)\n");
    const struct {
        QString source;
        int track;
        const char *kept, *codec;
        int channels;
    } cases[] = {
        {media.twoTrackMkv, 0, "kept/two tracks.m4a", "aac", 2}, // the default track
        {media.twoTrackMkv, 1, "second/two tracks.ac3", "ac3", 6},
        {media.aacMp4, 0, "kept/aac.m4a", "aac", 2},
        {media.mp3Avi, 0, "kept/mp3.mp3", "mp3", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        const MediaFacts facts = ProbeMedia(work.filePath(c.kept));
        EXPECT_EQ(std::pair(facts.codec, facts.channels), std::pair(QString(c.codec), c.channels));
        const QByteArray hash = PacketHash(c.source, c.track);
        ASSERT_FALSE(hash.isEmpty());
        EXPECT_EQ(PacketHash(work.filePath(c.kept), 0), hash);
    }
}

// Whatever ends the program, its encoder ends too and the user's file under
// the output name comes back: at once after SIGTERM, SIGHUP or a closed
// standard output (as after Ctrl+C), at the next conversion into the folder
// after kill -9. A file converted before stays; one not reached is named.
TEST_F(ConvertProgramTest, EveryEndLeavesNoEncoderAndGivesTheUsersFileBack) {
    ASSERT_NO_FATAL_FAILURE(UseStandInEncoder());
    Video("done.mp4", 1.0);
    Video("hang.mp4", 1.0);
    Video("next.mp4", 1.0);
    const QString out = work.filePath("out/");
    const QByteArray users("the user's own\n\0\xff", 17);
    const QString pidFile = program.filePath("encoder.pid");
    for (const QString way : {"term", "hup", "pipe", "kill"}) {
        SCOPED_TRACE(way.toStdString());
        QFile::remove(pidFile);
        QFile::remove(out + "next.mp3");
        ASSERT_TRUE(WriteFile(out + "hang.mp3", users));
        QProcess p;
        p.setWorkingDirectory(work.path());
        const QStringList arguments{"--jobs",   "1",        "--out",   "out",
                                    "done.mp4", "hang.mp4", "next.mp4"};
        if (way == "pipe")
            p.start("/bin/bash",
                    QStringList{"-c", "\"$0\" \"$@\" | head -n 1; exit ${PIPESTATUS[0]}",
                                program.filePath("ostrela-convert")} +
                        arguments);
        else
            p.start(program.filePath("ostrela-convert"), arguments);
        ASSERT_TRUE(WaitUntil([&] { return ReadFile(pidFile).endsWith('\n'); }, 30000));
        const QByteArray encoder = "/proc/" + ReadFile(pidFile).trimmed() + "/stat";
        if (way != "pipe")
            ::kill(static_cast<pid_t>(p.processId()), way == "term"  ? SIGTERM
                                                      : way == "hup" ? SIGHUP
                                                                     : SIGKILL);
        ASSERT_TRUE(p.waitForFinished(30000));
        // Gone, or a zombie no one collects in this container.
        EXPECT_TRUE(WaitUntil(
            [&] {
                const QByteArray stat = ReadFile(encoder);
                return !stat.contains(')') || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
            },
            10000));
        if (way == "kill") {
            EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
            EXPECT_EQ(Convert({"--out", "out", "next.mp4"}).exitCode, 0);
        } else {
            EXPECT_EQ(p.exitCode(), 1);
            const QByteArray err = p.readAllStandardError();
            EXPECT_TRUE(err.contains("hang.mp4: stopped\n")) << err.toStdString();
            EXPECT_TRUE(err.contains("next.mp4: not started\n")) << err.toStdString();
        }
        EXPECT_EQ(ReadFile(out + "done.mp3"), "audio\n");
        EXPECT_EQ(ReadFile(out + "hang.mp3"), users);
        EXPECT_EQ(FilesIn(out), way == "kill" ? QStringList({"done.mp3", "hang.mp3", "next.mp3"})
                                              : QStringList({"done.mp3", "hang.mp3"}));
    }
}

TEST_F(ConvertProgramTest, AFileThatCannotBeSetAsideFailsTheTask) {
    ASSERT_NO_FATAL_FAILURE(UseStandInEncoder());
    const QString video = Video("clip.mp4", 1.0);
    const QString out = work.filePath("out/");
    ASSERT_TRUE(WriteFile(out + "clip.mp3", "user"));
    const auto all =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    for (const QString& folder : {program.path(), work.path(), out})
        ASSERT_TRUE(QFile::setPermissions(folder, all));
    ASSERT_TRUE(QFile::setPermissions(out + "clip.mp3", all | QFile::WriteOther));
    QProcess p;
    p.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                        program.filePath("ostrela-convert"), "--out", out, video});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(p.readAllStandardError(), video + ": the output folder cannot be written\n");
    EXPECT_EQ(ReadFile(out + "clip.mp3"), "user");
}

// --split-chapters: one file per chapter, each as long as its chapter and
// tagged with its title and number, kept in the track's own container; a file
// without chapters converts whole.
TEST_F(ConvertProgramTest, SplitChaptersGivesOneTaggedFilePerChapter) {
    QString error;
    ASSERT_TRUE(
        MakeChapteredVideo(work.filePath("talk.mkv"), 4, {{0, "Intro"}, {1.5, "Q/A"}}, &error))
        << error.toStdString();
    const ProgramRun run = Convert({"--split-chapters", "--format", "original", "--out", "out",
                                    work.filePath("talk.mkv"), Video("plain.mp4")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FilesIn(work.filePath("out")),
              QStringList({"plain.m4a", "talk - 01 - Intro.m4a", "talk - 02 - Q-A.m4a"}));
    for (const auto& [name, seconds] :
         {std::pair("plain", 2.0), {"talk - 01 - Intro", 1.5}, {"talk - 02 - Q-A", 2.5}})
        EXPECT_NEAR(ProbeMedia(work.filePath("out/") + name + ".m4a").duration, seconds, 0.1);
    QProcess tags;
    tags.start("ffprobe", {"-v", "error", "-show_entries", "format_tags=title,track", "-of",
                           "default=nw=1", work.filePath("out/talk - 02 - Q-A.m4a")});
    ASSERT_TRUE(tags.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(tags.readAllStandardOutput()), "TAG:title=Q/A\nTAG:track=2/2\n");

    // Whole, FLAC keeps the chapters as the comments its readers take them from.
    EXPECT_EQ(Convert({"--format", "flac", "--out", "flac", work.filePath("talk.mkv")}).exitCode,
              0);
    tags.start("ffprobe", {"-v", "error", "-show_entries", "chapter=start_time:chapter_tags", "-of",
                           "csv=p=0", work.filePath("flac/talk.flac")});
    ASSERT_TRUE(tags.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(tags.readAllStandardOutput()), "0.000000,Intro\n1.500000,Q/A\n");
}

// A folder's videos and the files of a list read from standard input land in
// the subfolders their sources lie in.
TEST_F(ConvertProgramTest, FoldersAndListsKeepTheirSubfoldersBelowTheOutput) {
    ASSERT_TRUE(QDir(work.path()).mkpath("videos/sub") && QDir(work.path()).mkpath("extra"));
    for (const char* name : {"videos/a.mp4", "videos/sub/b 2.mkv", "extra/c.avi"})
        Video(name, 1.0);
    ASSERT_TRUE(WriteFile(work.filePath("videos/.hidden.mp4"), "x"));
    const ProgramRun run = Convert(
        {"--keep-folders", "--out", "out", "videos", "--files-from", "-"}, 120000, [](QProcess& p) {
            p.write("\nextra/c.avi\r\n\n");
            p.closeWriteChannel();
        });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char* name : {"out/a.mp3", "out/sub/b 2.mp3", "out/extra/c.mp3"})
        EXPECT_EQ(ProbeMedia(work.filePath(name)).codec, "mp3") << name;
    EXPECT_EQ(FilesIn(work.filePath("out")), QStringList({"a.mp3"}));
}

// The README's recipe for several machines, run on this one: GNU parallel
// starts one ostrela-convert per file list, and a list with a file that
// cannot be converted makes its exit status 1.
TEST_F(ConvertProgramTest, TheReadmesParallelRecipeConvertsEachList) {
    if (QStandardPaths::findExecutable("parallel").isEmpty())
        GTEST_SKIP() << "GNU parallel is not installed";
    const QString readme = QString::fromUtf8(ReadFile(OSTRELA_SOURCE_DIR "/README.md"));
    const QRegularExpressionMatch recipe =
        QRegularExpression(R"(\n    (parallel [^\n]*--sshlogin (?:[^\n\\]|\\\n|\\.)*)\n)")
            .match(readme);
    ASSERT_TRUE(recipe.hasMatch());
    QString command = recipe.captured(1);
    command.remove(QRegularExpression(R"(--sshlogin \S+)"))
        .replace("/srv/videos", work.filePath("videos"))
        .replace("/srv/sound", work.filePath("sound"));
    ASSERT_TRUE(QDir(work.path()).mkpath("videos/sub"));
    ASSERT_TRUE(WriteFile(work.filePath("videos/list.00"), "./a.mp4\n./sub/b.mp4\n"));
    ASSERT_TRUE(WriteFile(work.filePath("videos/list.01"), "./broken.mp4\n./c.mp4\n"));
    ASSERT_TRUE(WriteFile(work.filePath("videos/broken.mp4"), QByteArray(4096, 'x')));
    for (const char* name : {"videos/a.mp4", "videos/sub/b.mp4", "videos/c.mp4"})
        Video(name, 1.0);

    QProcess p;
    p.setWorkingDirectory(work.filePath("videos"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", program.path() + ":" + environment.value("PATH"));
    p.setProcessEnvironment(environment);
    p.start("bash", {"-c", command});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 1) << command.toStdString() << p.readAllStandardError().constData();
    for (const char* name : {"sound/a.mp3", "sound/sub/b.mp3", "sound/c.mp3"})
        EXPECT_EQ(ProbeMedia(work.filePath(name)).codec, "mp3") << name;
    EXPECT_FALSE(QFile::exists(work.filePath("sound/broken.mp3")));
}

} // namespace
