#include "convert/Redirect.h"

#include "platform/CommandLine.h"

#include <QCoreApplication>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <utility>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

std::atomic<int> CRedirect::running{0};

namespace {
// Set on the readers and the monitor, which never handle notices themselves.
thread_local bool onWorkerThread = false;
} // namespace

QEvent::Type CRunnerNoticeEvent::EventType() {
    static const int type = RegisterWindowMessage("WM_COPYDATA");
    return static_cast<QEvent::Type>(type);
}

namespace redirect_detail {

// What a run's workers and its pending notices share. Closing it releases
// every worker that waits for a notice to be handled; notices still queued
// are then dropped.
struct NoticeChannel {
    std::mutex mutex;
    std::condition_variable handled;
    bool closed = false;
    // Notices being handled on the owner's thread. An owner may open a modal
    // box while it handles one, whose event loop may close the run and drop
    // the relay; the relay then goes only once its outermost delivery returns.
    int delivering = 0;
    bool released = false;
};

struct PendingNotice {
    bool done = false;
    LRESULT result = 0;
};

// A notice on its way from a worker to the owner's thread. It carries its own
// copy of the text, since the worker may be released (and reuse its buffer)
// while the owner is still handling it. Whether it is handled or deleted
// unhandled (its receiver destroyed), the waiting worker is released.
class PostedNotice : public QEvent {
public:
    PostedNotice(std::shared_ptr<NoticeChannel> noticeChannel,
                 std::shared_ptr<PendingNotice> pendingNotice, QObject* noticeTarget,
                 RunnerNotice noticeKind, const char* noticeText, int byteCount)
        : QEvent(Type()), channel(std::move(noticeChannel)), pending(std::move(pendingNotice)),
          target(noticeTarget), kind(noticeKind), text(noticeText), count(byteCount) {}
    ~PostedNotice() override { Complete(0); }
    PostedNotice(const PostedNotice&) = delete;
    PostedNotice& operator=(const PostedNotice&) = delete;

    static QEvent::Type Type() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    void Complete(LRESULT result) {
        {
            std::lock_guard lock(channel->mutex);
            if (pending->done)
                return;
            pending->done = true;
            pending->result = result;
        }
        channel->handled.notify_all();
    }

    const std::shared_ptr<NoticeChannel> channel;
    const std::shared_ptr<PendingNotice> pending;
    QObject* const target;
    const RunnerNotice kind;
    const QByteArray text; // null for notices without text
    const int count;
};

// Lives on the owner's thread and hands the queued notices of one run to the
// owner there, unless the owner is gone or the run has been closed.
class NoticeRelay : public QObject {
public:
    NoticeRelay(QObject* noticeOwner, std::shared_ptr<NoticeChannel> noticeChannel)
        : owner(noticeOwner), channel(std::move(noticeChannel)) {}

    bool event(QEvent* e) override {
        if (e->type() != PostedNotice::Type())
            return QObject::event(e);
        auto* notice = static_cast<PostedNotice*>(e);
        // Qt hands a posted event over through its own locks; taking the
        // channel's lock first (the sender took it after building the event)
        // makes that hand-over visible to the thread sanitizer as well.
        bool open;
        {
            std::lock_guard lock(channel->mutex);
            open = !channel->closed;
            if (open)
                ++channel->delivering;
        }
        LRESULT result = 0;
        if (open && owner && owner.data() == notice->target) {
            CRunnerNoticeEvent delivered(notice->kind,
                                         notice->text.isNull() ? nullptr : notice->text.constData(),
                                         notice->count);
            QCoreApplication::sendEvent(owner.data(), &delivered);
            result = delivered.result;
        }
        bool release = false;
        if (open) {
            std::lock_guard lock(channel->mutex);
            release = --channel->delivering == 0 && channel->released;
        }
        notice->Complete(result);
        if (release)
            deleteLater(); // no delivery of this relay is on the stack any more
        return true;
    }

    // The run is over: frees the relay now, or, inside one of its deliveries,
    // once the outermost has returned. Any thread; the run is closed already,
    // so no new delivery begins.
    void Release() {
        bool now;
        {
            std::lock_guard lock(channel->mutex);
            now = channel->delivering == 0;
            channel->released = !now;
        }
        if (!now)
            return;
        // Deleting the relay drops its queued notices, which releases their senders.
        if (thread() == QThread::currentThread())
            delete this;
        else
            deleteLater();
    }

private:
    QPointer<QObject> owner;
    const std::shared_ptr<NoticeChannel> channel;
};

} // namespace redirect_detail

using namespace redirect_detail;

CRedirect::CRedirect() {
    running = 0;
}

CRedirect::CRedirect(Independent) : sharesRunningFlag(false) {}

CRedirect::~CRedirect() {
    Close();
}

void CRedirect::OnStarted(const char*) {}
void CRedirect::OnOutput(const char*) {}
void CRedirect::OnErrorOutput(const char*) {}
void CRedirect::OnEnded() {}

int CRedirect::Start(const QString& commandLine, bool /*showWindow*/, QObject* newOwner) {
    Close();
    owner = newOwner;
    noticeOwner = newOwner;
    ownerThread = newOwner ? newOwner->thread() : QThread::currentThread();

    CPipe input, output, error;
    CFileDescriptor wake;
    auto child = std::make_unique<CChildProcess>();
    startError = 0;
    bool started = CreatePipe(input) && CreatePipe(output) && CreatePipe(error) &&
                   (wake = CreateWakeDescriptor()).IsOpen();
    if (!started)
        startError = errno;
    else
        started = child->Start(CommandLineToArgv(commandLine), input.readEnd.Get(),
                               output.writeEnd.Get(), error.writeEnd.Get(), &startError);
    if (!started) {
        if (startError == 0)
            startError = EIO;
        process.reset();
        const QByteArray text = "Unable to start " + commandLine.toUtf8() + "\n";
        OnOutput(text.constData());
        return 0;
    }

    // Only the child keeps its ends, so the readers see the end of the output
    // as soon as the child (and anything it started) has gone.
    input.readEnd.Reset();
    output.writeEnd.Reset();
    error.writeEnd.Reset();
    inputWrite = std::move(input.writeEnd);
    outputRead = std::move(output.readEnd);
    errorRead = std::move(error.readEnd);
    SetNonBlocking(outputRead.Get());
    SetNonBlocking(errorRead.Get());
    process = std::move(child);

    stopEvent = std::move(wake);
    stopping = false;
    childEnded = false;
    channel = std::make_shared<NoticeChannel>();
    relay = new NoticeRelay(newOwner, channel);
    if (relay->thread() != ownerThread)
        relay->moveToThread(ownerThread);
    activeReaders = 2;
    exitCode = -1;
    exitSignal = 0;

    if (sharesRunningFlag)
        running = 1;
    outputThread = std::thread(&CRedirect::ReadPipe, this, outputRead.Get(), Stream::Output);
    errorThread = std::thread(&CRedirect::ReadPipe, this, errorRead.Get(), Stream::Error);
    monitorThread = std::thread(&CRedirect::MonitorChild, this);

    OnStarted(commandLine.toUtf8().constData());
    SendNotice(newOwner, RunnerNotice::Started, nullptr, 0);
    return 1;
}

bool CRedirect::WriteInput(const char* text) {
    if (!text || !*text || !inputWrite.IsOpen())
        return false;
    return WriteAll(inputWrite.Get(), text, std::strlen(text));
}

void CRedirect::Terminate() {
    if (process)
        process->Kill();
}

void CRedirect::Close() {
    if (channel) {
        {
            std::lock_guard lock(channel->mutex);
            channel->closed = true;
        }
        channel->handled.notify_all();
    }
    if (process)
        process->Kill();
    stopping = true;
    if (stopEvent.IsOpen())
        SignalWakeDescriptor(stopEvent.Get());

    // From a hook the run can only be stopped; the next Close on another
    // thread (at the latest the destructor's) joins the threads and frees it.
    const std::thread::id self = std::this_thread::get_id();
    if (self == outputThread.get_id() || self == errorThread.get_id() ||
        self == monitorThread.get_id())
        return;
    for (std::thread* worker : {&outputThread, &errorThread, &monitorThread}) {
        if (worker->joinable())
            worker->join();
    }

    if (relay) {
        std::exchange(relay, nullptr)->Release();
    }
    channel.reset();
    inputWrite.Reset();
    outputRead.Reset();
    errorRead.Reset();
    stopEvent.Reset();
}

qint64 CRedirect::ProcessId() const {
    return process ? process->Pid() : 0;
}

LRESULT CRedirect::SendNotice(QObject* target, RunnerNotice kind, const char* text, int count) {
    if (!target)
        return 0;
    if (!ownerThread || (!onWorkerThread && QThread::currentThread() == ownerThread)) {
        if (target == noticeOwner && !owner)
            return 0; // the owner has been destroyed
        CRunnerNoticeEvent notice(kind, text, count);
        QCoreApplication::sendEvent(target, &notice);
        return notice.result;
    }

    const std::shared_ptr<NoticeChannel> runChannel = channel;
    if (!runChannel || !relay)
        return 0;
    auto pending = std::make_shared<PendingNotice>();
    auto notice = std::make_unique<PostedNotice>(runChannel, pending, target, kind, text, count);
    {
        std::lock_guard lock(runChannel->mutex);
        if (runChannel->closed)
            return 0;
    }
    QCoreApplication::postEvent(relay, notice.release());
    std::unique_lock lock(runChannel->mutex);
    runChannel->handled.wait(lock, [&] { return pending->done || runChannel->closed; });
    return pending->done ? pending->result : 0;
}

void CRedirect::ReadPipe(int fd, Stream stream) {
    onWorkerThread = true;
    char buffer[257];
    pollfd waits[2] = {{fd, POLLIN, 0}, {stopEvent.Get(), POLLIN, 0}};
    bool draining = false;
    int left = 0; // bytes still to read once draining
    while (!stopping) {
        if (!draining) {
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (stopping)
                break;
            if (childEnded) {
                // Everything the child wrote is in the pipe now. Read just that,
                // so a process it left behind holding the pipe cannot hold up
                // the end of the run.
                draining = true;
                if (::ioctl(fd, FIONREAD, &left) < 0)
                    left = 0;
            } else if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
        }
        if (draining && left <= 0)
            break;
        const ssize_t got = ::read(fd, buffer, draining ? std::min(left, 256) : 256);
        if (got < 0) {
            if (errno == EINTR || (errno == EAGAIN && !draining))
                continue;
            break;
        }
        if (got == 0)
            break;
        left -= static_cast<int>(got);
        buffer[got] = '\0';
        if (stream == Stream::Output)
            OnOutput(buffer);
        else
            OnErrorOutput(buffer);
        SendNotice(noticeOwner, RunnerNotice::Output, buffer,
                   static_cast<int>(std::strlen(buffer)) + 1);
    }
    {
        std::lock_guard lock(readersMutex);
        --activeReaders;
    }
    readersDone.notify_all();
}

void CRedirect::MonitorChild() {
    onWorkerThread = true;
    exitCode = process->WaitForExit();
    exitSignal = process->TermSignal();
    childEnded = true;
    SignalWakeDescriptor(stopEvent.Get());
    {
        std::unique_lock lock(readersMutex);
        readersDone.wait(lock, [this] { return activeReaders == 0; });
    }
    if (sharesRunningFlag)
        running = 0;
    OnEnded();
    SendNotice(noticeOwner, RunnerNotice::Ended, nullptr, 0);
}
