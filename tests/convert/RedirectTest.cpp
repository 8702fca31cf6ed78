#include "convert/Redirect.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct Notice {
    RunnerNotice kind;
    QByteArray text;
    int count;
};

// Records every notice it handles, on its own thread.
class NoticeOwner : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != CRunnerNoticeEvent::EventType())
            return QObject::event(e);
        auto* notice = static_cast<CRunnerNoticeEvent*>(e);
        EXPECT_EQ(QThread::currentThread(), thread());
        notices.push_back({notice->kind(), QByteArray(notice->text()), notice->count()});
        notice->result = 1;
        if (onNotice)
            onNotice(*notice);
        return true;
    }

    int Count(RunnerNotice kind) const {
        return static_cast<int>(std::count_if(notices.begin(), notices.end(),
                                              [&](const Notice& n) { return n.kind == kind; }));
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
};

// Records what reaches the hooks; output hooks run on the worker threads.
class RecordingRunner : public CRedirect {
public:
    ~RecordingRunner() override { Close(); }

    std::vector<std::string> Hooked(bool errors) const {
        std::lock_guard lock(mutex);
        return errors ? errorLines : outputLines;
    }

    std::atomic<int> ended{0};

protected:
    void OnOutput(const char* text) override {
        std::lock_guard lock(mutex);
        outputLines.push_back(text);
    }
    void OnErrorOutput(const char* text) override {
        std::lock_guard lock(mutex);
        errorLines.push_back(text);
    }
    void OnEnded() override { ++ended; }

private:
    mutable std::mutex mutex;
    std::vector<std::string> outputLines, errorLines;
};

bool ProcessGone(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

int CountEntries(const QString& folder) {
    return static_cast<int>(
        QDir(folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden)
            .size());
}

class RedirectTest : public ::testing::Test {
protected:
    bool WaitForEnded(int timeoutMs = 10000) {
        return WaitUntil([&] { return owner->Count(RunnerNotice::Ended) > 0; }, timeoutMs);
    }

    bool Start(const QString& script) {
        return runner->Start(StandInEncoder(script), false, owner.get()) == 1;
    }

    // Starts a script that first writes "pid=<its pid>"; the child's pid.
    qint64 StartWithPid(const QString& script) {
        if (!Start("echo pid=$$; " + script) ||
            !WaitUntil([&] { return owner->Output().contains("\n"); }, 10000))
            return 0;
        const QByteArray out = owner->Output();
        return out.mid(4, out.indexOf('\n') - 4).toLongLong();
    }

    std::unique_ptr<NoticeOwner> owner = std::make_unique<NoticeOwner>();
    // After the owner: goes first.
    std::unique_ptr<RecordingRunner> runner = std::make_unique<RecordingRunner>();
};

// Started is handled before Start returns, before any output; Ended comes last,
// though a process the child left behind still holds its pipes.
TEST_F(RedirectTest, StartedThenEitherStreamInChunksOfAtMost256BytesThenEnded) {
    const QString text = QString("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(193).left(5000);
    for (const bool errors : {false, true}) {
        owner = std::make_unique<NoticeOwner>();
        runner = std::make_unique<RecordingRunner>();
        ASSERT_TRUE(Start("(sleep 20) & " + QString(errors ? "err " : "out ") + text + "; exit 3"));
        ASSERT_EQ(owner->notices.size(), 1u);
        EXPECT_EQ(owner->notices[0].kind, RunnerNotice::Started);
        ASSERT_TRUE(WaitForEnded());
        EXPECT_EQ(owner->Count(RunnerNotice::Ended), 1);
        EXPECT_EQ(owner->notices.back().kind, RunnerNotice::Ended);
        EXPECT_EQ(runner->ended, 1);
        EXPECT_EQ(runner->ExitCode(), 3);
        EXPECT_EQ(CRedirect::running, 0);
        EXPECT_EQ(owner->Output(), text.toLatin1());
        EXPECT_GE(owner->Count(RunnerNotice::Output), 20);
        for (const Notice& notice : owner->notices) {
            if (notice.kind == RunnerNotice::Output) {
                EXPECT_LE(notice.text.size(), 256);
                EXPECT_EQ(notice.count, notice.text.size() + 1);
            }
        }
        std::string hooked;
        for (const std::string& chunk : runner->Hooked(errors))
            hooked += chunk;
        EXPECT_EQ(hooked, text.toStdString());
        EXPECT_GE(runner->Hooked(errors).size(), 20u);
        EXPECT_TRUE(runner->Hooked(!errors).empty());
    }
}

// To a child gone or never started (even after a run), writing fails quietly.
TEST_F(RedirectTest, ChunksArriveAtOnceInputReachesTheChildAndAMissingProgramGivesNoNotice) {
    EXPECT_FALSE(runner->WriteInput("q\r\n")); // no run, no pipe
    ASSERT_TRUE(Start(
        R"(out 'time=00:00:01.00\r'; read -r line; [ "${line#q}" != "$line" ] && out 'quit\n'; hang)"));
    ASSERT_TRUE(WaitUntil([&] { return owner->Count(RunnerNotice::Output) > 0; }, 10000));
    EXPECT_EQ(owner->notices[1].text, QByteArray("time=00:00:01.00\r"));
    EXPECT_EQ(owner->notices[1].count, 18);
    EXPECT_TRUE(runner->WriteInput("q\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return owner->Output().endsWith("quit\n"); }, 10000));
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 0); // the child still runs
    runner->Terminate();
    ASSERT_TRUE(WaitForEnded());
    EXPECT_EQ(owner->Count(RunnerNotice::Ended), 1);
    runner->Terminate(); // after the end: harmless
    // The input pipe has no reader any more: no SIGPIPE ends the program.
    EXPECT_FALSE(runner->WriteInput("q\r\n"));
    owner->notices.clear();

    const QString command = "/nonexistent/folder/vexa.exe -i \"clip one.avi\" -y";
    EXPECT_EQ(runner->Start(command, false, owner.get()), 0);
    EXPECT_EQ(runner->Hooked(false).back(), "Unable to start " + command.toStdString() + "\n");
    EXPECT_EQ(CRedirect::running, 0);
    EXPECT_EQ(runner->ProcessId(), 0); // nothing of the earlier run is kept
    EXPECT_FALSE(runner->WriteInput("q\r\n"));
    QTest::qWait(200);
    EXPECT_TRUE(owner->notices.empty());
}

// The owner first, the runner alone, or the runner from inside a notice, there
// also from an event loop that the owner runs (as a modal box does).
TEST_F(RedirectTest, DestroyingTheRunnerWhileTheChildRunsKillsItWithoutDeadlock) {
    for (const int way : {0, 1, 2, 3}) {
        owner = std::make_unique<NoticeOwner>();
        runner = std::make_unique<RecordingRunner>();
        qint64 pid = StartWithPid("while :; do echo line; sleep 0.001; done");
        ASSERT_GT(pid, 0) << way;
        size_t before = owner->notices.size();
        if (way >= 2) {
            owner->onNotice = [&, way](const CRunnerNoticeEvent&) {
                if (way == 2 || !runner)
                    return runner.reset();
                QTimer::singleShot(0, [&] { runner.reset(); });
                QEventLoop box;
                QTimer::singleShot(50, &box, &QEventLoop::quit);
                box.exec();
            };
            ASSERT_TRUE(WaitUntil([&] { return !runner; }, 10000));
            before = owner->notices.size();
        } else {
            QThread::msleep(50);
            if (way == 0)
                owner.reset();
            runner.reset();
        }
        EXPECT_EQ(CRedirect::running, 0);
        QTest::qWait(100);
        EXPECT_TRUE(ProcessGone(pid)) << way;
        if (owner) {
            EXPECT_EQ(owner->notices.size(), before) << way; // queued notices were dropped
        }
    }
}

TEST_F(RedirectTest, TwoHundredRunsLeaveNothingBehindEvenStartedOverARunningChild) {
    // One run first, so that whatever Qt sets up once is not counted.
    ASSERT_TRUE(Start("out x"));
    ASSERT_TRUE(WaitForEnded());
    runner->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int descriptors = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    const qsizetype children = ChildProcesses().size();

    for (int run = 0; run < 200; ++run) {
        owner->notices.clear();
        if (run % 20 == 7) {
            ASSERT_EQ(runner->Start("/nonexistent/vexa.exe", false, owner.get()), 0);
            continue;
        }
        const bool hang = run % 10 == 3 || run % 10 == 5;
        ASSERT_TRUE(Start(hang ? "hang" : "out x")) << run;
        if (run % 10 == 5)
            continue; // the next start ends it
        if (hang)
            runner->Terminate();
        ASSERT_TRUE(WaitForEnded()) << run;
    }
    runner->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    EXPECT_EQ(ChildProcesses().size(), children);
}

} // namespace
