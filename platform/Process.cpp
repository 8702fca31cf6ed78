#include "platform/Process.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

void CFileDescriptor::Reset(int newFd) {
    if (fd >= 0 && fd != newFd)
        ::close(fd);
    fd = newFd;
}

bool CreatePipe(CPipe& pipe) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    pipe.readEnd.Reset(ends[0]);
    pipe.writeEnd.Reset(ends[1]);
    return true;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

CFileDescriptor CreateWakeDescriptor() {
    return CFileDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
}

void SignalWakeDescriptor(int fd) {
    const eventfd_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool WriteAll(int fd, const char* data, size_t size) {
    // Block SIGPIPE on this thread only; a SIGPIPE raised by our own write is
    // then taken off the thread's pending set before the mask is restored.
    sigset_t pipeSignal, oldMask, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE);

    bool ok = true;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }

    if (!ok && errno == EPIPE && !wasPending) {
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return ok;
}

namespace {

// Descriptors 0 to 2 would be overwritten while the child's standard streams
// are being put in place, so such a source is first copied above them.
int AboveStandardStreams(int fd, CFileDescriptor& copy) {
    if (fd > 2)
        return fd;
    copy.Reset(::fcntl(fd, F_DUPFD_CLOEXEC, 3));
    return copy.Get();
}

// Everything the child needs, prepared before the fork: between fork and exec
// the child may only make async-signal-safe calls.
struct SpawnRequest {
    char* const* argv = nullptr;
    int sources[3] = {-1, -1, -1};
    pid_t parent = 0;
    int openMax = 1024;
    // Filled by the spawn.
    pid_t child = 0;
    int error = 0;
};

[[noreturn]] void RunChild(const SpawnRequest& request, int errorPipe) {
    // The child starts with no blocked signals and with default actions for
    // everything this program may ignore, as a freshly started program expects.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaultAction, nullptr);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
    ::setsid();
    // The encoder ends with this program, whatever ends it. Should the program
    // have ended before the line above took effect, the child has a new parent
    // already and ends itself.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != request.parent)
        ::_exit(127);
    for (int target = 0; target < 3; ++target) {
        if (::dup2(request.sources[target], target) < 0) {
            const int error = errno;
            [[maybe_unused]] const auto written = ::write(errorPipe, &error, sizeof error);
            ::_exit(127);
        }
    }
    // Descriptors opened elsewhere without close-on-exec stay out of the child;
    // the error pipe closes itself at exec.
    if (::syscall(SYS_close_range, 3u, static_cast<unsigned>(errorPipe - 1), 0u) != 0 ||
        ::syscall(SYS_close_range, static_cast<unsigned>(errorPipe + 1), ~0u, 0u) != 0) {
        for (int fd = 3; fd < request.openMax; ++fd)
            if (fd != errorPipe)
                ::close(fd);
    }
    ::execve(request.argv[0], request.argv, environ);
    const int error = errno;
    [[maybe_unused]] const auto written = ::write(errorPipe, &error, sizeof error);
    ::_exit(127);
}

// Forks and execs; the exec's failure comes back through a close-on-exec pipe.
void Spawn(SpawnRequest& request) {
    CPipe errors;
    if (!CreatePipe(errors)) {
        request.error = errno;
        return;
    }
    // The child's standard streams must not land on the error pipe.
    CFileDescriptor errorCopy;
    const int errorPipe = AboveStandardStreams(errors.writeEnd.Get(), errorCopy);
    if (errorPipe < 0) {
        request.error = errno;
        return;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        request.error = errno;
        return;
    }
    if (child == 0)
        RunChild(request, errorPipe);
    errorCopy.Reset();
    errors.writeEnd.Reset();
    int error = 0;
    ssize_t got;
    while ((got = ::read(errors.readEnd.Get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof error)) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        request.error = error;
        return;
    }
    request.child = child;
}

// The parent-death signal follows the thread that forked, not the process:
// every child is forked on one thread that lives as long as the process, so
// a child started from a worker that ends is not killed with it. Requests
// come one at a time through a pipe; nothing here needs destroying at exit.
class Spawner {
public:
    static void Run(SpawnRequest& request) {
        static Spawner spawner;
        spawner.Serve(request);
    }

private:
    Spawner() {
        int ends[2];
        if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(ends, O_CLOEXEC) != 0)
            return;
        replies[0] = ends[0];
        replies[1] = ends[1];
        // The thread takes no signals: the program's handlers run elsewhere.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &previous);
        try {
            std::thread(&Spawner::Loop, requests[0], replies[1]).detach();
            ready = true;
        } catch (const std::system_error&) {
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

    void Serve(SpawnRequest& request) {
        if (!ready) {
            Spawn(request);
            return;
        }
        std::lock_guard lock(mutex);
        SpawnRequest* sent = &request;
        char done = 0;
        if (!WriteAll(requests[1], reinterpret_cast<const char*>(&sent), sizeof sent)) {
            Spawn(request);
            return;
        }
        while (::read(replies[0], &done, 1) < 0 && errno == EINTR) {
        }
    }

    static void Loop(int requestFd, int replyFd) {
        for (;;) {
            SpawnRequest* request = nullptr;
            const ssize_t got = ::read(requestFd, &request, sizeof request);
            if (got < 0 && errno == EINTR)
                continue;
            if (got != static_cast<ssize_t>(sizeof request))
                return;
            Spawn(*request);
            const char done = 1;
            WriteAll(replyFd, &done, 1);
        }
    }

    std::mutex mutex; // one request in flight
    int requests[2] = {-1, -1};
    int replies[2] = {-1, -1};
    bool ready = false;
};

} // namespace

CChildProcess::~CChildProcess() {
    std::lock_guard lock(mutex);
    if (pid > 0 && !collected) {
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        collected = true;
    }
}

bool CChildProcess::Start(const QStringList& argv, int stdinFd, int stdoutFd, int stderrFd,
                          int* error) {
    int ignored = 0;
    int& reason = error ? *error : ignored;
    {
        std::lock_guard lock(mutex);
        if (pid > 0) {
            reason = EBUSY;
            return false;
        }
    }
    if (argv.isEmpty() || argv.first().isEmpty()) {
        reason = ENOENT;
        return false;
    }

    std::vector<QByteArray> encoded;
    encoded.reserve(argv.size());
    for (const QString& arg : argv)
        encoded.push_back(QFile::encodeName(arg));
    std::vector<char*> args;
    for (QByteArray& arg : encoded)
        args.push_back(arg.data());
    args.push_back(nullptr);

    CFileDescriptor copies[3];
    const int sources[3] = {AboveStandardStreams(stdinFd, copies[0]),
                            AboveStandardStreams(stdoutFd, copies[1]),
                            AboveStandardStreams(stderrFd, copies[2])};
    for (int source : sources) {
        if (source < 0) {
            reason = errno ? errno : EBADF;
            return false;
        }
    }

    SpawnRequest request;
    request.argv = args.data();
    for (int target = 0; target < 3; ++target)
        request.sources[target] = sources[target];
    request.parent = ::getpid();
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        request.openMax = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 20));
    Spawner::Run(request);
    if (request.child <= 0) {
        reason = request.error ? request.error : ECHILD;
        return false;
    }
    const pid_t child = request.child;
    std::lock_guard lock(mutex);
    pid = child;
    collected = false;
    exitCode = -1;
    return true;
}

int CChildProcess::WaitForExit() {
    pid_t child;
    {
        std::lock_guard lock(mutex);
        if (pid <= 0 || collected)
            return exitCode;
        child = pid;
    }
    // Wait without collecting, so the process id stays ours while Kill may run.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }

    std::lock_guard lock(mutex);
    if (!collected) {
        int status = 0;
        pid_t got;
        while ((got = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
        }
        collected = true;
        exitCode = got == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        termSignal = got == child && WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return exitCode;
}

int CChildProcess::TermSignal() const {
    std::lock_guard lock(mutex);
    return termSignal;
}

void CChildProcess::Kill() {
    std::lock_guard lock(mutex);
    if (pid > 0 && !collected)
        ::kill(pid, SIGKILL);
}

pid_t CChildProcess::Pid() const {
    std::lock_guard lock(mutex);
    return pid;
}
