#pragma once
// Child processes with redirected standard streams, in place of CreateProcess
// with inherited pipe handles: owned descriptors, pipes, a wake-up descriptor,
// and a child started in a new session that ends with this program, whose exit
// can be awaited on one thread while another thread may kill it at any time.

#include <QStringList>
#include <cstddef>
#include <mutex>
#include <sys/types.h>

// Owns one file descriptor and closes it on destruction; -1 means none.
class CFileDescriptor {
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int owned) : fd(owned) {}
    ~CFileDescriptor() { Reset(); }
    CFileDescriptor(CFileDescriptor&& other) noexcept : fd(other.Release()) {}
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    int Get() const { return fd; }
    bool IsOpen() const { return fd >= 0; }
    int Release() {
        const int released = fd;
        fd = -1;
        return released;
    }
    void Reset(int newFd = -1);

private:
    int fd = -1;
};

struct CPipe {
    CFileDescriptor readEnd;
    CFileDescriptor writeEnd;
};

// A pipe with both ends close-on-exec, so no other child inherits them.
bool CreatePipe(CPipe& pipe);

// Makes reads and writes on the descriptor return at once instead of blocking.
bool SetNonBlocking(int fd);

// A descriptor that becomes readable once signalled and stays so, for waking
// threads blocked in poll().
CFileDescriptor CreateWakeDescriptor();
void SignalWakeDescriptor(int fd);

// Writes all bytes, retrying after interruptions. A reader that has gone away
// gives false instead of a SIGPIPE that would end the program.
bool WriteAll(int fd, const char* data, size_t size);

// One child process. Start runs argv[0] as a path (no search of PATH) with the
// three given descriptors as its standard input, output and error, in a new
// session, with every other descriptor closed in the child. The child is
// killed when this program ends, however it ends (kill -9 too), so no encoder
// writes on for a program that is gone. A program that cannot be run makes
// Start fail at once.
//
// One thread may block in WaitForExit while others call Kill: the child stays
// a zombie until WaitForExit has collected it under the lock, so Kill never
// signals a process id that has already been handed to another process.
// Destroying an object whose child was never collected kills and collects it.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // On failure returns false with the reason as an errno value in *error.
    bool Start(const QStringList& argv, int stdinFd, int stdoutFd, int stderrFd,
               int* error = nullptr);

    // Blocks until the child has ended, collects it and returns its exit code,
    // or -1 when a signal ended it. Returns at once when it was collected before.
    int WaitForExit();

    // The signal that ended the child, 0 when it exited or has not been collected.
    int TermSignal() const;

    // Sends SIGKILL unless the child has already been collected. No waiting.
    void Kill();

    pid_t Pid() const;

private:
    mutable std::mutex mutex;
    pid_t pid = 0;
    bool collected = false;
    int exitCode = -1;
    int termSignal = 0;
};
