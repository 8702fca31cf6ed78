// The child process runner: what the owner receives and in which order, how
// output is cut into chunks, stopping the child, and that runs leave nothing
// behind even when the owner or the runner goes away while a child runs.

#include "convert/Redirect.h"

#include "TestSupport.h"
#include "platform/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using testing_support::BinDir;
using testing_support::WaitUntil;

namespace {

struct Notice {
    RunnerNotice kind;
    QByteArray text;
    int count;
};

// Records every notice it handles, on its own thread, and answers 1.
class NoticeOwner : public QObject {
public:
    explicit NoticeOwner(std::shared_ptr<int> deliveries = std::make_shared<int>(0))
        : deliveries(std::move(deliveries)) {}

    bool event(QEvent* e) override {
        if (e->type() != CRunnerNoticeEvent::EventType())
            return QObject::event(e);
        auto* notice = static_cast<CRunnerNoticeEvent*>(e);
        EXPECT_EQ(QThread::currentThread(), thread());
        ++*deliveries;
        notices.push_back({notice->kind(),
                           notice->text() ? QByteArray(notice->text()) : QByteArray(),
                           notice->count()});
        notice->result = notice->kind() == RunnerNotice::Text ? 7 : 1;
        if (onNotice)
            onNotice(*notice);
        return true;
    }

    int Count(RunnerNotice kind) const {
        int n = 0;
        for (const Notice& notice : notices)
            n += notice.kind == kind;
        return n;
    }

    QByteArray Output() const {
        QByteArray all;
        for (const Notice& notice : notices)
            if (notice.kind == RunnerNotice::Output)
                all += notice.text;
        return all;
    }

    std::vector<Notice> notices;
    std::function<void(const CRunnerNoticeEvent&)> onNotice;
    std::shared_ptr<int> deliveries;
};

// Records what reaches the hooks; they run on the worker threads.
class RecordingRunner : public CRedirect {
public:
    ~RecordingRunner() override { Close(); }

    std::vector<std::string> Outputs() const {
        std::lock_guard lock(mutex);
        return outputs;
    }
    std::vector<std::string> Errors() const {
        std::lock_guard lock(mutex);
        return errors;
    }

    std::vector<std::string> started;
    std::atomic<int> ended{0};

protected:
    void OnStarted(const char* commandLine) override { started.push_back(commandLine); }
    void OnOutput(const char* text) override {
        std::lock_guard lock(mutex);
        outputs.push_back(text);
    }
    void OnErrorOutput(const char* text) override {
        std::lock_guard lock(mutex);
        errors.push_back(text);
    }
    void OnEnded() override { ++ended; }

private:
    mutable std::mutex mutex;
    std::vector<std::string> outputs;
    std::vector<std::string> errors;
};

// The fake encoder's command line for a script of steps.
QString Fake(const QStringList& steps) {
    QString line = "\"" + QStringLiteral(OSTRELA_FAKE_ENCODER) + "\"";
    for (const QString& step : steps)
        line += " " + QuoteArgument(step);
    return line;
}

bool ProcessGone(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

int CountEntries(const QString& folder) {
    return static_cast<int>(
        QDir(folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden)
            .size());
}

// Processes, zombies included, whose parent is this test.
int CountChildProcesses() {
    const QString self = QString::number(::getpid());
    int count = 0;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // pid (name) state ppid ...; the name may hold blanks and parentheses.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1())
            ++count;
    }
    return count;
}

class RedirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<NoticeOwner>();
        runner = std::make_unique<RecordingRunner>();
    }
    void TearDown() override {
        runner.reset();
        owner.reset();
    }

    bool WaitForEnded(int timeoutMs = 10000) {
        return WaitUntil([&] { return owner->Count(RunnerNotice::Ended) > 0; }, timeoutMs);
    }

    bool WaitForOutput(const QByteArray& text, int timeoutMs = 10000) {
        return WaitUntil([&] { return owner->Output().contains(text); }, timeoutMs);
    }

    // The child's pid as the fake encoder's "pid" step printed it.
    qint64 WaitForPid() {
        if (!WaitForOutput("\n"))
            return 0;
        const QByteArray out = owner->Output();
        const qsizetype at = out.indexOf("pid=");
        return at < 0 ? 0 : out.mid(at + 4, out.indexOf('\n', at) - at - 4).toLongLong();
    }

    std::unique_ptr<NoticeOwner> owner;
    std::unique_ptr<RecordingRunner> runner;
};

} // namespace

TEST_F(RedirectTest, StartedComesFirstAndEndedLast) {
    const QString command = Fake({"out", "one\\n", "err", "two\\n", "exit", "3"});
    ASSERT_EQ(runner->Start(command, false, owner.get()), 1);

    // Started is handled before Start returns, before any output.
    ASSERT_EQ(owner->notices.size(), 1u);
    EXPECT_EQ(owner->notices[0].kind, RunnerNotice::Started);
    EXPECT_EQ(owner->notices[0].text, QByteArray());
    EXPECT_EQ(owner->notices[0].count, 0);
    EXPECT_EQ(runner->started, std::vector<std::string>{command.toStdString()});

    ASSERT_TRUE(WaitForEnded());
    QCoreApplication::processEvents();
    EXPECT_EQ(owner->Count(RunnerNotice::Started), 1);
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 1);
    EXPECT_EQ(owner->notices.back().kind, RunnerNotice::Ended);
    EXPECT_EQ(owner->notices.back().count, 0);
    EXPECT_TRUE(owner->Output().contains("one\n"));
    EXPECT_TRUE(owner->Output().contains("two\n"));
    EXPECT_EQ(runner->Outputs(), std::vector<std::string>{"one\n"});
    EXPECT_EQ(runner->Errors(), std::vector<std::string>{"two\n"});
    EXPECT_EQ(runner->ended, 1);
    EXPECT_EQ(runner->ExitCode(), 3);
    EXPECT_EQ(CRedirect::running, 0);
}

TEST_F(RedirectTest, QuotedArgumentsArriveWhole) {
    ASSERT_EQ(runner->Start(Fake({"out", "clip one \"q\".avi"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    EXPECT_EQ(owner->Output(), QByteArray("clip one \"q\".avi"));
}

TEST_F(RedirectTest, ChunkWithoutLineEndArrivesAtOnce) {
    ASSERT_EQ(runner->Start(Fake({"out", "time=00:00:01.00\\r", "hang"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForOutput("time=00:00:01.00\r"));

    // The child is still running: the chunk came without waiting for a line end.
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 0);
    EXPECT_FALSE(ProcessGone(runner->ProcessId()));
    ASSERT_EQ(owner->Count(RunnerNotice::Output), 1);
    EXPECT_EQ(owner->notices[1].text, QByteArray("time=00:00:01.00\r"));
    EXPECT_EQ(owner->notices[1].count, 18);
    runner->Terminate();
    EXPECT_TRUE(WaitForEnded());
}

TEST_F(RedirectTest, LongOutputArrivesInChunksOfAtMost256Bytes) {
    ASSERT_EQ(runner->Start(Fake({"bytes", "5000", "out"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());

    QByteArray expected;
    for (int k = 0; k < 5000; ++k)
        expected += static_cast<char>('A' + k % 26);
    EXPECT_EQ(owner->Output(), expected);
    EXPECT_GE(owner->Count(RunnerNotice::Output), 20);
    for (const Notice& notice : owner->notices) {
        if (notice.kind != RunnerNotice::Output)
            continue;
        EXPECT_LE(notice.text.size(), 256);
        EXPECT_EQ(notice.count, notice.text.size() + 1);
    }
}

TEST_F(RedirectTest, StandardErrorArrivesLikeStandardOutput) {
    ASSERT_EQ(
        runner->Start(Fake({"bytes", "600", "err", "err", "size= 1kB\\r"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());

    QByteArray expected;
    for (int k = 0; k < 600; ++k)
        expected += static_cast<char>('A' + k % 26);
    EXPECT_EQ(owner->Output(), expected + "size= 1kB\r");
    EXPECT_GE(owner->Count(RunnerNotice::Output), 3);
    for (const Notice& notice : owner->notices) {
        if (notice.kind == RunnerNotice::Output) {
            EXPECT_LE(notice.text.size(), 256);
        }
    }
    EXPECT_TRUE(runner->Outputs().empty());
    EXPECT_GE(runner->Errors().size(), 3u);
}

TEST_F(RedirectTest, ZeroByteCutsTheChunkText) {
    ASSERT_EQ(runner->Start("/bin/sh -c \"printf 'ab\\000cd'\"", false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    ASSERT_EQ(owner->Count(RunnerNotice::Output), 1);
    EXPECT_EQ(owner->Output(), QByteArray("ab"));
    EXPECT_EQ(owner->notices[1].count, 3);
}

TEST_F(RedirectTest, MissingProgramGivesZeroAndNoNotice) {
    const QString command = "/nonexistent/folder/vexa.exe -i \"clip one.avi\" -y";
    EXPECT_EQ(runner->Start(command, false, owner.get()), 0);
    EXPECT_EQ(runner->Outputs(),
              std::vector<std::string>{"Unable to start " + command.toStdString() + "\n"});
    EXPECT_EQ(CRedirect::running, 0);
    EXPECT_EQ(runner->ProcessId(), 0);
    WaitUntil([] { return false; }, 200);
    EXPECT_TRUE(owner->notices.empty());
    EXPECT_TRUE(runner->started.empty());
    EXPECT_EQ(runner->ended, 0);
}

TEST_F(RedirectTest, FailedStartAfterARunKeepsNothingOfThatRun) {
    ASSERT_EQ(runner->Start(Fake({"out", "x"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    EXPECT_NE(runner->ProcessId(), 0);
    const size_t before = owner->notices.size();

    EXPECT_EQ(runner->Start("/nonexistent/vexa.exe", false, owner.get()), 0);
    EXPECT_EQ(runner->ProcessId(), 0);
    EXPECT_FALSE(runner->WriteInput("q\r\n"));
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(owner->notices.size(), before);
}

TEST_F(RedirectTest, FileThatIsNoProgramGivesZero) {
    QTemporaryDir dir;
    QFile text(dir.filePath("vexa.exe"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a program");
    text.close();

    EXPECT_EQ(runner->Start("\"" + text.fileName() + "\" -y", false, owner.get()), 0);
    EXPECT_EQ(runner->Start("", false, owner.get()), 0);
    EXPECT_EQ(runner->Start("\"" + dir.path() + "\"", false, owner.get()), 0);
    EXPECT_EQ(runner->Outputs().size(), 3u);
    EXPECT_EQ(runner->Outputs()[1], "Unable to start \n");
    WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(owner->notices.empty());
}

TEST_F(RedirectTest, TerminateGivesEnded) {
    ASSERT_EQ(runner->Start(Fake({"pid", "hang"}), false, owner.get()), 1);
    const qint64 pid = WaitForPid();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(pid, runner->ProcessId());

    runner->Terminate();
    ASSERT_TRUE(WaitForEnded());
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 1);
    EXPECT_EQ(runner->ExitCode(), -1);
    EXPECT_EQ(CRedirect::running, 0);
    EXPECT_TRUE(ProcessGone(pid));
    runner->Terminate(); // after the end: harmless
}

TEST_F(RedirectTest, WriteInputReachesTheChild) {
    EXPECT_FALSE(runner->WriteInput("q\r\n")); // no run, no pipe
    ASSERT_EQ(runner->Start(Fake({"readq", "exit", "0"}), false, owner.get()), 1);
    EXPECT_FALSE(runner->WriteInput(""));
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 0);

    EXPECT_TRUE(runner->WriteInput("q\r\n"));
    ASSERT_TRUE(WaitForEnded());
    EXPECT_EQ(owner->Output(), QByteArray("quit\n"));
    EXPECT_EQ(runner->ExitCode(), 0);
}

TEST_F(RedirectTest, WriteInputToAChildThatHasGoneFailsQuietly) {
    ASSERT_EQ(runner->Start(Fake({"exit", "0"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    // The input pipe has no reader any more; the write fails instead of a
    // SIGPIPE ending the program.
    EXPECT_FALSE(runner->WriteInput("q\r\n"));
}

TEST_F(RedirectTest, ChildGetsOnlyItsStandardStreams) {
    ASSERT_EQ(runner->Start(Fake({"fds"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    EXPECT_EQ(owner->Output(), QByteArray("fds=3\n"));
}

TEST_F(RedirectTest, ChildRunsInItsOwnSession) {
    ASSERT_EQ(runner->Start("/bin/sh -c \"read -r a b c d e f rest < /proc/$$/stat; echo $f $$\"",
                            false, owner.get()),
              1);
    ASSERT_TRUE(WaitForEnded());
    const QList<QByteArray> lines = owner->Output().simplified().split(' ');
    ASSERT_EQ(lines.size(), 2) << owner->Output().constData();
    EXPECT_EQ(lines[0], lines[1]);
    EXPECT_NE(lines[0].toLongLong(), static_cast<qint64>(::getsid(0)));
}

TEST_F(RedirectTest, SendNoticeFromAnotherThreadWaitsForTheOwnersResult) {
    ASSERT_EQ(runner->Start(Fake({"hang"}), false, owner.get()), 1);
    std::atomic<LRESULT> result{-1};
    std::thread sender(
        [&] { result = runner->SendNotice(owner.get(), RunnerNotice::Text, "x", 2); });
    WaitUntil([&] { return result != -1; }, 5000);
    sender.join();
    EXPECT_EQ(result, 7);
    ASSERT_EQ(owner->Count(RunnerNotice::Text), 1);
    EXPECT_EQ(owner->notices.back().text, QByteArray("x"));

    // On the owner's own thread it is handled at once.
    EXPECT_EQ(runner->SendNotice(owner.get(), RunnerNotice::Caption, "Title", 6), 1);
    EXPECT_EQ(owner->notices.back().kind, RunnerNotice::Caption);
    EXPECT_EQ(runner->SendNotice(nullptr, RunnerNotice::Caption, "Title", 6), 0);
    runner->Terminate();
    EXPECT_TRUE(WaitForEnded());
}

TEST_F(RedirectTest, OwnerDestroyedBeforeChildEndsReceivesNothing) {
    auto deliveries = std::make_shared<int>(0);
    owner = std::make_unique<NoticeOwner>(deliveries);
    ASSERT_EQ(runner->Start(Fake({"pid", "spam"}), false, owner.get()), 1);
    const qint64 pid = WaitForPid();
    ASSERT_GT(pid, 0);

    // Notices are still on their way (the child writes every millisecond).
    owner.reset();
    const int before = *deliveries;
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(*deliveries, before);
    EXPECT_FALSE(ProcessGone(pid));

    runner->Terminate();
    ASSERT_TRUE(WaitUntil([&] { return runner->ended == 1; }, 10000));
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(*deliveries, before);
    runner.reset();
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(RedirectTest, OwnerDestroyedThenRunnerDestroyedWithoutEventLoop) {
    ASSERT_EQ(runner->Start(Fake({"pid", "spam"}), false, owner.get()), 1);
    const qint64 pid = WaitForPid();
    ASSERT_GT(pid, 0);
    QThread::msleep(50); // workers are now waiting for notices to be handled
    owner.reset();
    runner.reset();
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(RedirectTest, DestroyingTheRunnerWhileTheChildRunsKillsIt) {
    ASSERT_EQ(runner->Start(Fake({"pid", "spam"}), false, owner.get()), 1);
    const qint64 pid = WaitForPid();
    ASSERT_GT(pid, 0);
    QThread::msleep(50); // workers are now waiting for the owner's thread

    const size_t before = owner->notices.size();
    runner.reset();
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_EQ(CRedirect::running, 0);
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(owner->notices.size(), before); // queued notices were dropped
}

TEST_F(RedirectTest, DestroyingTheRunnerInsideANoticeHandler) {
    ASSERT_EQ(runner->Start(Fake({"pid", "spam"}), false, owner.get()), 1);
    qint64 pid = 0;
    owner->onNotice = [&](const CRunnerNoticeEvent& notice) {
        if (notice.kind() == RunnerNotice::Output && runner) {
            pid = runner->ProcessId();
            runner.reset();
        }
    };
    ASSERT_TRUE(WaitUntil([&] { return !runner; }, 10000));
    WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(RedirectTest, NextRunStartsFromTheEndedHandler) {
    int runs = 0;
    owner->onNotice = [&](const CRunnerNoticeEvent& notice) {
        if (notice.kind() == RunnerNotice::Ended && ++runs < 3) {
            const QString next = Fake({"out", QString("run %1\\n").arg(runs + 1)});
            EXPECT_EQ(runner->Start(next, false, owner.get()), 1);
        }
    };
    ASSERT_EQ(runner->Start(Fake({"out", "run 1\\n"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitUntil([&] { return runs == 3; }, 10000));
    EXPECT_EQ(owner->Output(), QByteArray("run 1\nrun 2\nrun 3\n"));
    EXPECT_EQ(owner->Count(RunnerNotice::Started), 3);
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 3);
}

TEST_F(RedirectTest, StartWhileAChildRunsEndsThatChild) {
    ASSERT_EQ(runner->Start(Fake({"pid", "hang"}), false, owner.get()), 1);
    const qint64 pid = WaitForPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(runner->Start(Fake({"out", "second\\n"}), false, owner.get()), 1);
    EXPECT_TRUE(ProcessGone(pid));
    ASSERT_TRUE(WaitForOutput("second\n"));
    EXPECT_TRUE(WaitForEnded());
}

TEST_F(RedirectTest, ProcessLeftHoldingThePipesDoesNotDelayEnded) {
    // The child ends at once but leaves a process that keeps its output pipes
    // open and keeps writing for a long time; the child's own output still
    // arrives, and so does Ended.
    ASSERT_EQ(runner->Start(Fake({"orphan", "15000", "sleep", "100", "out", "done\\n"}), false,
                            owner.get()),
              1);
    ASSERT_TRUE(WaitForEnded(8000));
    EXPECT_TRUE(owner->Output().contains("done\n"));
    EXPECT_TRUE(owner->Output().contains("orphan\n"));
    EXPECT_EQ(runner->ExitCode(), 0);
}

TEST_F(RedirectTest, ScriptedProgressArrivesLineByLine) {
    ASSERT_EQ(runner->Start(Fake({"progress", "4", "30"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    EXPECT_GE(owner->Count(RunnerNotice::Output), 3);
    EXPECT_TRUE(owner->Output().contains("time=00:00:01.00"));
    EXPECT_TRUE(owner->Output().endsWith("time=00:00:04.00 bitrate= 128.0kbits/s speed=4x\n"));
}

TEST_F(RedirectTest, TwoHundredRunsLeaveNothingBehind) {
    // One run first, so that whatever Qt sets up once is not counted.
    ASSERT_EQ(runner->Start(Fake({"out", "x"}), false, owner.get()), 1);
    ASSERT_TRUE(WaitForEnded());
    runner->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int descriptors = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    const int children = CountChildProcesses();

    for (int run = 0; run < 200; ++run) {
        owner->notices.clear();
        if (run % 20 == 7) {
            ASSERT_EQ(runner->Start("/nonexistent/vexa.exe", false, owner.get()), 0);
            continue;
        }
        const QStringList script = run % 10 == 3 ? QStringList{"hang"} : QStringList{"out", "x"};
        ASSERT_EQ(runner->Start(Fake(script), false, owner.get()), 1) << run;
        if (run % 10 == 3)
            runner->Terminate();
        ASSERT_TRUE(WaitForEnded()) << run;
    }
    runner->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(CountChildProcesses(), children);
}

// The real encoder, with its own progress output.
class RedirectRealEncoderTest : public RedirectTest {
protected:
    QString Encoder(const QString& arguments) {
        return "\"" + BinDir() + "vexa.exe\" -hide_banner " + arguments;
    }

    // What ffprobe says of the file's first audio stream, read through a runner
    // of its own.
    static QByteArray Probe(const QString& path) {
        NoticeOwner probeOwner;
        CRedirect probe;
        const QString command = "/usr/bin/ffprobe -v error -select_streams a:0 -show_entries "
                                "stream=codec_name:format=duration -of default=nw=1 \"" +
                                path + "\"";
        if (probe.Start(command, false, &probeOwner) != 1 ||
            !WaitUntil([&] { return probeOwner.Count(RunnerNotice::Ended) > 0; }, 30000))
            return QByteArray();
        return probeOwner.Output();
    }

    static double Duration(const QByteArray& facts) {
        const qsizetype at = facts.indexOf("duration=");
        return at < 0 ? -1 : facts.mid(at + 9, facts.indexOf('\n', at) - at - 9).toDouble();
    }
    QTemporaryDir dir;
};

TEST_F(RedirectRealEncoderTest, ConvertsWithProgressAndEnds) {
    const QString out = dir.filePath("tone out.mp3");
    ASSERT_EQ(runner->Start(Encoder("-f lavfi -i sine=frequency=440:duration=3 -y \"" + out + "\""),
                            false, owner.get()),
              1);
    ASSERT_TRUE(WaitForEnded(60000));
    EXPECT_EQ(runner->ExitCode(), 0);
    EXPECT_TRUE(owner->Output().contains("time=00:00:03.0")) << owner->Output().constData();
    for (const Notice& notice : owner->notices) {
        if (notice.kind == RunnerNotice::Output) {
            EXPECT_LE(notice.text.size(), 256);
        }
    }
    const QByteArray facts = Probe(out);
    EXPECT_TRUE(facts.contains("codec_name=mp3\n")) << facts.constData();
    EXPECT_NEAR(Duration(facts), 3.0, 0.2);
}

TEST_F(RedirectRealEncoderTest, QuitsOnQAndEndsCleanly) {
    const QString out = dir.filePath("long.mp3");
    ASSERT_EQ(
        runner->Start(Encoder("-re -f lavfi -i sine=frequency=440:duration=120 -y \"" + out + "\""),
                      false, owner.get()),
        1);
    // Progress lines end in \r and arrive while the encoder works.
    ASSERT_TRUE(WaitForOutput("time=00:00:01", 30000)) << owner->Output().constData();
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 0);
    EXPECT_TRUE(owner->Output().contains('\r'));

    EXPECT_TRUE(runner->WriteInput("q\r\n"));
    ASSERT_TRUE(WaitForEnded(30000));
    EXPECT_EQ(runner->ExitCode(), 0);
    const QByteArray facts = Probe(out);
    EXPECT_GT(Duration(facts), 0.5) << facts.constData();
    EXPECT_LT(Duration(facts), 60.0);
}

TEST_F(RedirectRealEncoderTest, MissingSourceEndsWithAFailureCode) {
    ASSERT_EQ(runner->Start(Encoder("-i \"" + dir.filePath("no such clip.avi") + "\" -y \"" +
                                    dir.filePath("x.mp3") + "\""),
                            false, owner.get()),
              1);
    ASSERT_TRUE(WaitForEnded(30000));
    EXPECT_NE(runner->ExitCode(), 0);
    EXPECT_TRUE(owner->Output().contains("no such clip.avi"));
}
