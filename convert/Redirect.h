#pragma once
// CRedirect starts one console program with its standard streams on pipes,
// reads its output on two worker threads, waits for its end on a third, and
// reports everything to an owner object as notices that the owner handles on
// its own thread. One runner serves one run after another.

#include "platform/Process.h"
#include "platform/WindowMessage.h"

#include <QByteArray>
#include <QEvent>
#include <QPointer>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class QObject;
class QThread;

enum class RunnerNotice : int {
    Caption = 1, // not sent by the runner: text for the receiver's caption
    Text = 2,    // not sent by the runner: handled like Output
    Output = 3,  // one chunk read from standard output or standard error
    Started = 4, // the child runs; sent before any Output of its run
    Ended = 5,   // the child has ended; sent once per run, after its last Output
};

// The notice as the owner receives it in its event() override. The text (null
// for Started and Ended) is valid only while the event is being handled; the
// handler copies what it keeps and may store an answer in `result`.
class CRunnerNoticeEvent : public QEvent {
public:
    CRunnerNoticeEvent(RunnerNotice kind, const char* text, int count)
        : QEvent(EventType()), noticeKind(kind), noticeText(text), byteCount(count) {}

    // The type every notice carries, registered once for the process.
    static QEvent::Type EventType();

    RunnerNotice kind() const { return noticeKind; }
    const char* text() const { return noticeText; }
    // Bytes of the text including its terminating zero byte, or 0 without text.
    int count() const { return byteCount; }

    LRESULT result = 0;

private:
    RunnerNotice noticeKind;
    const char* noticeText;
    int byteCount;
};

namespace redirect_detail {
struct NoticeChannel;
class NoticeRelay;
} // namespace redirect_detail

class CRedirect {
public:
    CRedirect();
    // A runner of several that run side by side: it never reads or writes the
    // shared `running` flag.
    struct Independent {};
    explicit CRedirect(Independent);
    // Kills a child that still runs and waits for the run's threads.
    virtual ~CRedirect();
    CRedirect(const CRedirect&) = delete;
    CRedirect& operator=(const CRedirect&) = delete;

    // Starts the command line (split by the Windows rules; the first argument
    // is the program's path). Ends a previous run first. Returns 1 when the
    // child runs, 0 when it could not be started; then "Unable to start %s\n"
    // goes to OnOutput and the owner gets no notice. Call on the owner's thread.
    // Without a console there is no window to show, so showWindow has no effect.
    int Start(const QString& commandLine, bool showWindow, QObject* owner);

    // Writes the text, without a terminating zero, to the child's standard
    // input. Nothing is written when it is empty or no run has an input pipe.
    bool WriteInput(const char* text);

    // Kills the child of the current run without waiting; the monitor then
    // ends the run as for a normal exit and sends Ended.
    void Terminate();

    // Ends the current run: releases workers waiting for their notices to be
    // handled (those notices are dropped), kills the child, and joins the
    // threads. The destructor does this; a subclass that overrides the hooks
    // calls it in its own destructor, so no hook runs while it is destroyed.
    // Called from a hook it only stops the run; the threads are joined later.
    void Close();

    // Hands a notice to the owner and returns the owner's result. On the
    // owner's thread the owner handles it at once; from any other thread the
    // caller waits until the owner's thread has handled it. An owner that is
    // gone, or a run that has been closed, gives 0 and nothing is delivered.
    LRESULT SendNotice(QObject* owner, RunnerNotice kind, const char* text, int count);

    // Why the last Start returned 0, as an errno value (ENOENT: no such
    // program, EMFILE: too many open files, ...); 0 after a successful one.
    int StartError() const { return startError; }

    // Exit code of the child of the last run that ended, or -1 when a signal
    // ended it or no run has ended yet. Valid once Ended has been sent.
    int ExitCode() const { return exitCode.load(); }
    // The signal that ended the child of the last run, 0 when it exited.
    int ExitSignal() const { return exitSignal.load(); }

    // Process id of the last run's child, 0 when no child was started.
    qint64 ProcessId() const;

    // Set by a successful Start, cleared by the constructor and when a child
    // has ended; shared by every runner made for the one-at-a-time mode, so
    // one run is active at a time. Independent runners leave it alone.
    static std::atomic<int> running;

protected:
    // Points at which a subclass can listen; the runner's own do nothing.
    // OnOutput and OnErrorOutput run on the reader threads, OnEnded on the
    // monitor thread, OnStarted on the thread that called Start.
    virtual void OnStarted(const char* commandLine);
    virtual void OnOutput(const char* text);
    virtual void OnErrorOutput(const char* text);
    virtual void OnEnded();

private:
    enum class Stream { Output, Error };
    void ReadPipe(int fd, Stream stream);
    void MonitorChild();

    // Per run; replaced by each Start after the previous run's threads ended.
    CFileDescriptor stopEvent; // wakes the readers: run closed, or child collected
    std::atomic<bool> stopping{false};
    std::atomic<bool> childEnded{false};
    CFileDescriptor inputWrite;
    CFileDescriptor outputRead;
    CFileDescriptor errorRead;
    std::thread outputThread;
    std::thread errorThread;
    std::thread monitorThread;
    std::unique_ptr<CChildProcess> process;
    QPointer<QObject> owner;        // read on the owner's thread only
    QObject* noticeOwner = nullptr; // the same object, as the workers address it
    QThread* ownerThread = nullptr;
    std::shared_ptr<redirect_detail::NoticeChannel> channel;
    // Freed through its Release, never while it delivers a notice.
    redirect_detail::NoticeRelay* relay = nullptr;

    // The monitor sends Ended only after both readers have delivered their
    // last chunks.
    std::mutex readersMutex;
    std::condition_variable readersDone;
    int activeReaders = 0;

    int startError = 0;
    std::atomic<int> exitCode{-1};
    std::atomic<int> exitSignal{0};
    const bool sharesRunningFlag = true;
};
