#include "platform/Process.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
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

class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
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

    SpawnSetup setup;
    for (int target = 0; target < 3; ++target)
        posix_spawn_file_actions_adddup2(&setup.actions, sources[target], target);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors opened elsewhere without close-on-exec stay out of the child too.
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
#endif

    // The child starts with no blocked signals and with default actions for
    // everything this program may ignore, as a freshly started program expects.
    sigset_t noSignals, allSignals;
    sigemptyset(&noSignals);
    sigfillset(&allSignals);
    posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
    posix_spawnattr_setsigdefault(&setup.attributes, &allSignals);
    posix_spawnattr_setflags(&setup.attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t child = 0;
    const int result =
        ::posix_spawn(&child, args[0], &setup.actions, &setup.attributes, args.data(), environ);
    if (result != 0) {
        reason = result;
        return false;
    }
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
