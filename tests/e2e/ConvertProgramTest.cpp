// ostrela-convert run as a shell runs it, from a program folder of the test's
// own, converting videos made at test time with the real encoder.

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
    p.waitForFinished(120000);
    const QByteArray line = p.readAllStandardOutput();
    return line.contains("SHA256=") ? line.mid(line.indexOf("SHA256=")).trimmed() : QByteArray();
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

    // A stand-in encoder: "hang..." gets "partial" and never ends (its id in encoder.pid).
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
    ProgramRun Convert(const QStringList& arguments,
                       const std::function<void(QProcess&)>& started = {}) {
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.start(program.filePath("ostrela-convert"), arguments);
        EXPECT_TRUE(p.waitForStarted());
        if (started)
            started(p);
        EXPECT_TRUE(p.waitForFinished(120000));
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
    // What is wrong, then the usage.
    run = Convert({"--out", "o"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("ostrela-convert: no video file was given\n\nUsage: "))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFile::exists(work.filePath("o")));
    EXPECT_FALSE(QFile::exists(program.filePath("option.ini")));
}

// The window's stored choice (WAV, 44100 Hz, mono) applies to relative paths,
// and a file that fails is named while the others go on. Keep Original stores
// the default track, or the one --track names, packet for packet.
TEST_F(ConvertProgramTest, StoredSettingsOrTheChosenTrackApplyAndFailuresAreNamed) {
    const QByteArray ini =
        "[TaskSetting]\r\nOutputFormat=2\r\nAudioBitrate=3\r\nSampleRate=1\r\nChannel=0\r\n";
    ASSERT_TRUE(WriteFile(program.filePath("option.ini"), ini));
    TestMediaSet media;
    QString error;
    ASSERT_TRUE(media.Make(work.path(), &error)) << error.toStdString();
    const QString broken = work.filePath("broken.avi");
    ASSERT_TRUE(WriteFile(broken, QByteArray(4096, '\x5a')));

    ProgramRun run = Convert({"--jobs", "2", "--out", "sound", "aac.mp4", "broken.avi", "mp3.avi",
                              "no sound.mp4", "missing.mp4", "two tracks.mkv"});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.err.toStdString();
    EXPECT_EQ(
        lines.filter(QRegularExpression("^" + QRegularExpression::escape(broken) + ": \\S")).size(),
        1)
        << run.err.toStdString();
    EXPECT_TRUE(lines.contains(media.silentMp4 + ": the source has no sound track"));
    EXPECT_TRUE(lines.contains(work.filePath("missing.mp4") + ": the file does not exist"));
    EXPECT_TRUE(run.out.endsWith("Converted 3 of 6 files into " + work.filePath("sound") + "\n"))
        << run.out.toStdString();
    for (const char* name : {"aac.wav", "mp3.wav", "two tracks.wav"}) {
        const MediaFacts facts = ProbeMedia(work.filePath(QString("sound/") + name));
        EXPECT_EQ(std::tuple(facts.codec, facts.sampleRate, facts.channels),
                  std::tuple(QString("pcm_s16le"), 44100, 1))
            << name;
        EXPECT_NEAR(facts.duration, 1.0, 0.15) << name;
    }
    EXPECT_EQ(QDir(work.filePath("sound")).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(ReadFile(program.filePath("option.ini")), ini);

    run = Convert(
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

// Whatever ends the program, its encoder ends and the user's file under the
// output name comes back (after kill -9, at the next conversion).
TEST_F(ConvertProgramTest, EveryEndLeavesNoEncoderAndGivesTheUsersFileBack) {
    ASSERT_NO_FATAL_FAILURE(UseStandInEncoder());
    for (const char* name : {"done.mp4", "hang.mp4", "next.mp4"})
        Video(name, 1.0);
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

    // A user's file that cannot be set aside fails its task and stays.
    const auto all =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    for (const QString& folder : {program.path(), work.path(), out})
        ASSERT_TRUE(QFile::setPermissions(folder, all));
    ASSERT_TRUE(QFile::setPermissions(out + "done.mp3", all | QFile::WriteOther));
    QProcess p;
    p.start("setpriv",
            {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
             program.filePath("ostrela-convert"), "--out", out, work.filePath("done.mp4")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(p.readAllStandardError(),
              work.filePath("done.mp4") + ": the output folder cannot be written\n");
    EXPECT_EQ(ReadFile(out + "done.mp3"), "audio\n");
}

// Folders and lists keep their subfolders below the output; --split-chapters
// gives one tagged file per chapter, and a file without chapters whole.
TEST_F(ConvertProgramTest, FoldersListsChaptersAndTheReadmesParallelRecipe) {
    ASSERT_TRUE(QDir(work.path()).mkpath("videos/sub") && QDir(work.path()).mkpath("extra"));
    QString error;
    ASSERT_TRUE(MakeChapteredVideo(work.filePath("videos/sub/talk 1.mkv"), 4,
                                   {{0, "Intro"}, {1.5, "Q/A"}}, &error))
        << error.toStdString();
    Video("videos/a.mp4");
    Video("extra/c.avi", 1.0);
    ASSERT_TRUE(WriteFile(work.filePath("videos/.hidden.mp4"), "x"));
    const ProgramRun run = Convert({"--split-chapters", "--format", "original", "--keep-folders",
                                    "--out", "out", "videos", "--files-from", "-"},
                                   [](QProcess& p) {
                                       p.write("\nextra/c.avi\r\n\n");
                                       p.closeWriteChannel();
                                   });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(FilesIn(work.filePath("out")), QStringList({"a.m4a"}));
    EXPECT_EQ(FilesIn(work.filePath("out/sub")),
              QStringList({"talk 1 - 01 - Intro.m4a", "talk 1 - 02 - Q-A.m4a"}));
    const std::pair<const char*, double> outputs[] = {{"a.m4a", 2.0},
                                                      {"sub/talk 1 - 01 - Intro.m4a", 1.5},
                                                      {"sub/talk 1 - 02 - Q-A.m4a", 2.5},
                                                      {"extra/c.mp3", 1.0}};
    for (const auto& [name, seconds] : outputs)
        EXPECT_NEAR(ProbeMedia(work.filePath("out/") + name).duration, seconds, 0.1) << name;
    QProcess tags;
    tags.start("ffprobe", {"-v", "error", "-show_entries", "format_tags=title,track", "-of",
                           "default=nw=1", work.filePath("out/sub/talk 1 - 02 - Q-A.m4a")});
    ASSERT_TRUE(tags.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(tags.readAllStandardOutput()), "TAG:title=Q/A\nTAG:track=2/2\n");
    // Whole, FLAC and Opus keep the chapters as the comments their readers take them from.
    const QString talk = work.filePath("videos/sub/talk 1.mkv");
    for (const QString format : {"flac", "opus"}) {
        EXPECT_EQ(Convert({"--format", format, "--out", format, talk}).exitCode, 0);
        tags.start("ffprobe", {"-v", "error", "-show_entries", "chapter=start_time:chapter_tags",
                               "-of", "csv=p=0", work.filePath(format + "/talk 1." + format)});
        ASSERT_TRUE(tags.waitForFinished());
        EXPECT_EQ(tags.readAllStandardOutput(), "0.000000,Intro\n1.500000,Q/A\n")
            << format.toStdString();
    }

    // The README's recipe for several machines, run on this one.
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
    ASSERT_TRUE(WriteFile(work.filePath("videos/list.00"), "./a.mp4\n"));
    ASSERT_TRUE(WriteFile(work.filePath("videos/list.01"), "./broken.mp4\n./sub/talk 1.mkv\n"));
    ASSERT_TRUE(WriteFile(work.filePath("videos/broken.mp4"), QByteArray(4096, 'x')));
    QProcess p;
    p.setWorkingDirectory(work.filePath("videos"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", program.path() + ":" + environment.value("PATH"));
    p.setProcessEnvironment(environment);
    p.start("bash", {"-c", command});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 1) << command.toStdString() << p.readAllStandardError().constData();
    for (const char* name : {"sound/a.mp3", "sound/sub/talk 1.mp3"})
        EXPECT_EQ(ProbeMedia(work.filePath(name)).codec, "mp3") << name;
    EXPECT_FALSE(QFile::exists(work.filePath("sound/broken.mp3")));
}

} // namespace
