#include "convert/ConversionEngine.h"

#include "SmallFileSystem.h"
#include "TestSupport.h"
#include "platform/CommandLine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>
#include <gtest/gtest.h>

using namespace testing_support;

// Each job's stand-in encoder ends by writing "audio\n" to its output path,
// the script's "$0".
class ConversionEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        out = dir.filePath("out");
        ASSERT_TRUE(QDir().mkpath(out));
        snapshot.settings.outputFolder = out;
        snapshot.encoderPath = "/bin/sh";
        // A distinct name goes before the extension, in the path and the line.
        snapshot.makeJob = [this](const Task& task, const OutputSettings&, const QString&,
                                  int copy) {
            EncoderJob job = scripted[task.record.reserved];
            if (copy > 1) {
                const QString quoted = QuoteArgument(job.outputPath);
                const qsizetype dot = job.outputPath.lastIndexOf('.');
                job.outputPath.insert(dot, QString(" (%1)").arg(copy));
                job.commandLine.replace(quoted, QuoteArgument(job.outputPath));
            }
            return job;
        };
    }

    // A job whose encoder runs `steps`, then `last` with the output path.
    void Add(const QString& title, const QString& steps, double clip = 10,
             const QString& last = "write") {
        ConversionJob job{};
        TaskRecord& r = job.task.record;
        r.clipLength = clip;
        r.duration = clip;
        r.reserved = static_cast<int32_t>(scripted.size());
        SetFixedText(r.sourcePath, "/videos/" + title + ".avi");
        job.title = " " + title;
        const QString output = out + "/" + title + ".mp3";
        scripted.push_back({output, StandInEncoder(steps + "\n" + last + " \"$0\"", {output})});
        snapshot.jobs.push_back(job);
    }

    void Run(int simultaneous = 1, std::function<void(ConversionEngine&)> whileRunning = {}) {
        snapshot.simultaneous = simultaneous;
        engine = std::make_unique<ConversionEngine>(snapshot);
        bool done = false;
        QObject::connect(engine.get(), &ConversionEngine::jobStarted, [this](int job) {
            starts << job;
            maxRunning = std::max(maxRunning, engine->Totals().running);
        });
        QObject::connect(
            engine.get(), &ConversionEngine::jobProgress, [this](int job, double, int percent) {
                progress << QString("%1:%2:%3").arg(job).arg(percent).arg(engine->Totals().percent);
                estimates.push_back({clock.elapsed(), engine->SecondsLeft()});
            });
        QObject::connect(engine.get(), &ConversionEngine::finished, [&] {
            EXPECT_FALSE(done) << "finished twice";
            done = true;
        });
        clock.start();
        engine->Start();
        if (whileRunning)
            whileRunning(*engine);
        ASSERT_TRUE(WaitUntil([&] { return done; }, 20000));
        EXPECT_TRUE(engine->IsFinished());
    }

    QStringList OutputFolder() const { return FilesIn(out); }
    QByteArray Read(const QString& name) const { return ReadFile(out + "/" + name); }
    void Write(const QString& name, const QByteArray& contents) {
        ASSERT_TRUE(WriteFile(out + "/" + name, contents));
    }

    QTemporaryDir dir;
    QString out;
    std::vector<EncoderJob> scripted; // by job, in reserved

    ConversionSnapshot snapshot;
    std::unique_ptr<ConversionEngine> engine;
    QList<int> starts;
    int maxRunning = 0;
    QStringList progress; // "job:task percent:total percent" at each progress report
    std::vector<std::pair<qint64, double>> estimates; // (ms since start, seconds left)
    QElapsedTimer clock;
};

// Each encoder awaits the test's go, so the order holds however slow they run.
TEST_F(ConversionEngineTest, SeveralAtOnceRunSideBySideAndAddUpTheTotal) {
    const auto go = [this](const QString& name) {
        return "await \"" + dir.filePath(name) + "\"\n";
    };
    const auto give = [this](const QString& name) {
        ASSERT_TRUE(WriteFile(dir.filePath(name), ""));
    };
    Add("one", "progress 5 1 0.001\n" + go("one ends"));
    Add("two", go("two reports") + "progress 2 1 0.001\n" + go("two ends"));
    Add("three", go("three reports") + "progress 8 1 0.001");
    Run(2, [&](ConversionEngine& e) {
        QObject::connect(&e, &ConversionEngine::jobProgress, [&](int job) {
            if (job == 0)
                give("two reports");
            if (job == 1) {
                give("one ends");
                give("two ends");
            }
        });
        QObject::connect(&e, &ConversionEngine::jobEnded, [&] {
            if (e.Totals().finished == 2)
                give("three reports");
        });
    });
    EXPECT_EQ(maxRunning, 2);
    EXPECT_EQ(starts.last(), 2);
    // 50 / 3, (50 + 20) / 3, then job three at 80 % after both others: (200 + 80) / 3.
    EXPECT_EQ(progress, QStringList({"0:50:16", "1:20:23", "2:80:93"}));
    EXPECT_EQ(engine->Totals().succeeded, 3);
}

// A user's file is replaced only by a job that succeeded under its name, never
// under an invented one.
TEST_F(ConversionEngineTest, SameNamesRunningSideBySideGetDistinctFiles) {
    ASSERT_NO_FATAL_FAILURE(Write("clip.mp3", "the user's own"));
    ASSERT_NO_FATAL_FAILURE(Write("clip (3).mp3", "the user's third"));
    for (int i = 0; i < 3; ++i)
        Add("clip", "sleep 0.2");
    Add("clip", "exit 1"); // fails: what it would have had stays
    Run(4);
    EXPECT_EQ(maxRunning, 4);
    QStringList paths;
    for (int i = 0; i < 4; ++i)
        paths << engine->StatusOf(i).outputPath;
    EXPECT_EQ(paths, QStringList({out + "/clip.mp3", out + "/clip (2).mp3", out + "/clip (4).mp3",
                                  out + "/clip (5).mp3"}));
    EXPECT_EQ(OutputFolder(),
              QStringList({"clip (2).mp3", "clip (3).mp3", "clip (4).mp3", "clip.mp3"}));
    for (const QString& name : OutputFolder())
        EXPECT_EQ(Read(name), name == "clip (3).mp3" ? "the user's third" : "audio\n")
            << name.toStdString();
    EXPECT_EQ(engine->StatusOf(3).result, JobResult::Failed);
}

// Another window or script writing the output name: its file is not set aside.
TEST_F(ConversionEngineTest, AnOutputAnotherConversionWritesGetsADistinctName) {
    Add("clip", "sleep 0.5");
    ConversionEngine other(snapshot);
    other.Start();
    ASSERT_TRUE(WaitUntil([&] { return other.Totals().running == 1; }, 10000));
    Run();
    EXPECT_EQ(engine->StatusOf(0).outputPath, out + "/clip (2).mp3");
    ASSERT_TRUE(WaitUntil([&] { return other.IsFinished(); }, 10000));
    EXPECT_EQ(other.Totals().succeeded, 1);
    EXPECT_EQ(OutputFolder(), QStringList({"clip (2).mp3", "clip.mp3"}));
}

TEST_F(ConversionEngineTest, AbandonEndsTheRunsAndCleansUpSilently) {
    ASSERT_NO_FATAL_FAILURE(Write("one.mp3", "the user's own"));
    Add("one", "write \"$0\"; hang", 10, "touch");
    snapshot.simultaneous = 1;
    engine = std::make_unique<ConversionEngine>(snapshot);
    int reports = 0;
    QObject::connect(engine.get(), &ConversionEngine::jobEnded, [&] { ++reports; });
    QObject::connect(engine.get(), &ConversionEngine::finished, [&] { ++reports; });
    engine->Start();
    ASSERT_TRUE(WaitUntil([&] { return Read("one.mp3") == "audio\n"; }, 10000));
    engine->Abandon();
    QTest::qWait(100);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(engine->StatusOf(0).result, JobResult::Stopped);
    EXPECT_EQ(OutputFolder(), QStringList({"one.mp3"}));
    EXPECT_EQ(Read("one.mp3"), "the user's own");
}

TEST_F(ConversionEngineTest, EachFailureKindHasItsReason) {
    const QString progressLine = "err 'size=     1kB time=00:00:01.00 bitrate= 1.0kbits/s\\r'\n";
    Add("full", progressLine + "err 'av_interleaved_write_frame(): No space left on device\\n'\n"
                               "exit 1");
    Add("silent", "err 'Output file #0 does not contain any stream\\n'; exit 1");
    Add("nomap", "err \"Stream map '0:a' matches no streams.\\n\"; exit 1");
    Add("denied", "err '" + out + "/denied.mp3: Permission denied\\n'; exit 1");
    // A source the user may not read: the encoder's line without its path.
    Add("unreadable", "err '/videos/unreadable.avi: Permission denied\\n'; exit 1");
    Add("lastline", "err '[mp3 @ 0x1] Header missing\\n'\n"
                    "err 'Error while decoding stream #0:1\\n'\n" +
                        progressLine + "exit 1");
    Add("code", "exit 3");
    Add("empty", "", 10, "touch");
    Add("nothing", "exit 0");
    Add("signal", "kill -KILL $$");
    Add("nofolder", "");
    scripted.back().outputPath = out + "/missing/nofolder.mp3";
    scripted.back().commandLine = StandInEncoder("write \"$0\"", {scripted.back().outputPath});
    // A file the user made read-only is not replaced.
    ASSERT_NO_FATAL_FAILURE(Write("protected.mp3", "the user's own"));
    ASSERT_TRUE(QFile::setPermissions(out + "/protected.mp3", QFile::ReadOwner | QFile::ReadOther));
    Add("protected", "");
    // A full disk, whatever the encoder makes of it.
    SmallFileSystem disk(64 * 1024);
    ASSERT_TRUE(disk.Mounted()) << disk.Reason().toStdString();
    ASSERT_TRUE(disk.Fill());
    Add("fulldisk", "err 'Error writing trailer: Invalid argument\\n'; exit 1");
    scripted.back().outputPath = disk.FilePath("fulldisk.mp3");
    Run(3);
    const QStringList expected{"the disk is full",
                               "the source has no sound track",
                               "the source has no sound track",
                               "the output folder cannot be written",
                               "Permission denied",
                               "Error while decoding stream #0:1",
                               "the encoder ended with code 3",
                               "the encoder wrote no output",
                               "the encoder wrote no output",
                               "the encoder was stopped by signal 9",
                               "the output folder cannot be written",
                               "the file protected.mp3 is write-protected",
                               "the disk is full"};
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(engine->StatusOf(i).result, JobResult::Failed) << i;
        EXPECT_EQ(engine->StatusOf(i).reason, expected[i]) << i;
    }
    EXPECT_EQ(OutputFolder(), QStringList({"protected.mp3"}));
    EXPECT_EQ(Read("protected.mp3"), "the user's own");
}

// Another task's file taking the output's place: no success though the encoder
// exits with 0.
TEST_F(ConversionEngineTest, AFileThatTakesTheOutputsPlaceIsNoSuccessAndStays) {
    ASSERT_NO_FATAL_FAILURE(Write("clip.mp3", "the user's own"));
    Add("clip", "echo other > \"$0.new\"; mv \"$0.new\" \"$0\"; exit");
    Run();
    EXPECT_EQ(engine->StatusOf(0).result, JobResult::Failed);
    const QString reason = engine->StatusOf(0).reason;
    const QString kept = reason.mid(reason.indexOf("; the earlier file is kept as ") + 30);
    EXPECT_TRUE(kept.startsWith(out + "/.clip.mp3.")) << reason.toStdString();
    EXPECT_EQ(ReadFile(kept), "the user's own");
    EXPECT_EQ(Read("clip.mp3"), "other\n");
}

// "fds": no descriptor left for the runner's pipes.
TEST_F(ConversionEngineTest, AnEncoderThatCannotStartIsNamedWithTheCause) {
    for (const QString& path : {dir.filePath("no such encoder"), QString(), QString("fds")}) {
        snapshot.jobs.clear();
        scripted.clear();
        snapshot.encoderPath = path == "fds" ? QString("/bin/sh") : path;
        Add("one", "");
        if (path != "fds") {
            scripted.back().commandLine = QuoteArgument(path) + " x";
            Run();
        } else {
            engine = std::make_unique<ConversionEngine>(snapshot);
            rlimit limit{};
            ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
            rlimit none = limit;
            none.rlim_cur = 3; // no new descriptor above the standard streams
            ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
            engine->StartJob(0);
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        const QString expected = path.isEmpty() ? QString("the encoder was not found")
                                 : path == "fds"
                                     ? "the encoder could not be started: too many open files"
                                     : "the encoder was not found at " + path;
        EXPECT_EQ(engine->StatusOf(0).reason, expected);
    }
}

// Two 10 s clips at five media seconds per wall second take about 4 s.
TEST_F(ConversionEngineTest, TimeLeftIsEstimatedFromTwoSecondsOfProgress) {
    Add("one", "progress 1 10 0.2");
    Add("two", "progress 1 10 0.2");
    Run();
    // Against the time the run really took: a loaded machine stretches it.
    const double end = clock.elapsed() / 1000.0;
    ASSERT_EQ(estimates.size(), 20u);
    bool any = false;
    for (const auto& [ms, left] : estimates) {
        if (ms < 1900) {
            EXPECT_LT(left, 0) << ms;
        } else if (left >= 0) {
            any = true;
            const double really = end - ms / 1000.0;
            EXPECT_NEAR(left, really, 0.5 + 0.25 * really) << ms;
        }
    }
    EXPECT_TRUE(any);
    EXPECT_EQ(engine->SecondsLeft(), 0);
    // As the dialog and ostrela-convert show it.
    EXPECT_EQ(FormatTimeLeft(-1), "");
    EXPECT_EQ(FormatTimeLeft(0), "Less than a minute left");
    EXPECT_EQ(FormatTimeLeft(59.4), "Less than a minute left");
    EXPECT_EQ(FormatTimeLeft(130), "About 2 min 10 s left");
}

// The measuring pass is the job's first half; between two progress reports
// the estimate counts down with the time that passes.
TEST_F(ConversionEngineTest, StopWhileMeasuringEndsAnEncoderThatReadsNothing) {
    ASSERT_NO_FATAL_FAILURE(Write("one.mp3", "the user's own"));
    Add("one", "");
    // 15 % after 2.1 s, then nothing.
    scripted[0].measureLine = StandInEncoder("progress 3 1 2.1\nhang", {});
    Run(1, [this](ConversionEngine& e) {
        ASSERT_TRUE(WaitUntil([&] { return e.StatusOf(0).percent == 15; }, 10000));
        EXPECT_TRUE(e.StatusOf(0).measuring);
        EXPECT_EQ(OutputFolder(), QStringList{"one.mp3"});
        QElapsedTimer outer;
        outer.start();
        const double first = e.SecondsLeft();
        const qint64 inner0 = outer.elapsed();
        QTest::qWait(300);
        const qint64 inner1 = outer.elapsed();
        const double second = e.SecondsLeft();
        const qint64 outer1 = outer.elapsed();
        EXPECT_GT(second, 1.0); // far from the end, so nothing is cut at zero
        EXPECT_GE(first - second, (inner1 - inner0) / 1000.0 - 0.002);
        EXPECT_LE(first - second, outer1 / 1000.0 + 0.002);
        e.Stop();
    });
    EXPECT_EQ(engine->StatusOf(0).result, JobResult::Stopped);
    EXPECT_EQ(OutputFolder(), QStringList{"one.mp3"});
    EXPECT_EQ(Read("one.mp3"), "the user's own");
}
