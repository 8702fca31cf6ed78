// Child processes on redirected descriptors: start failures reported at once,
// exit codes, killing while another thread waits, descriptors kept out of the
// child, and standard streams given from descriptors 0 to 2.

#include "platform/Process.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray ReadToEnd(int fd) {
    QByteArray all;
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return all;
        all.append(buffer, got);
    }
}

bool ProcessGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Runs argv with an empty input and returns what it wrote on both streams.
struct Outcome {
    bool started = false;
    int error = 0;
    int exitCode = -2;
    QByteArray output;
    QByteArray errors;
};

Outcome RunProgram(const QStringList& argv) {
    Outcome outcome;
    CPipe input, output, errors;
    EXPECT_TRUE(CreatePipe(input) && CreatePipe(output) && CreatePipe(errors));
    CChildProcess child;
    outcome.started = child.Start(argv, input.readEnd.Get(), output.writeEnd.Get(),
                                  errors.writeEnd.Get(), &outcome.error);
    input.readEnd.Reset();
    input.writeEnd.Reset();
    output.writeEnd.Reset();
    errors.writeEnd.Reset();
    if (!outcome.started)
        return outcome;
    outcome.output = ReadToEnd(output.readEnd.Get());
    outcome.errors = ReadToEnd(errors.readEnd.Get());
    outcome.exitCode = child.WaitForExit();
    return outcome;
}

} // namespace

class ChildProcessTest : public ::testing::Test {};

TEST_F(ChildProcessTest, MissingProgramFailsAtOnce) {
    const Outcome outcome = RunProgram({"/nonexistent/folder/program", "-y"});
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.error, ENOENT);
}

TEST_F(ChildProcessTest, ProgramIsAPathNotSearched) {
    // "sh" lies on PATH but is not in the current folder.
    const Outcome outcome = RunProgram({"sh", "-c", "true"});
    EXPECT_FALSE(outcome.started);
}

TEST_F(ChildProcessTest, FileThatIsNoProgramFails) {
    QTemporaryDir dir;
    const QString path = dir.filePath("text");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();
    const Outcome outcome = RunProgram({path});
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.error, EACCES);
    EXPECT_FALSE(RunProgram({}).started);
}

TEST_F(ChildProcessTest, StreamsAndExitCode) {
    const Outcome outcome = RunProgram({"/bin/sh", "-c", "echo out; echo err >&2; exit 7"});
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.output, QByteArray("out\n"));
    EXPECT_EQ(outcome.errors, QByteArray("err\n"));
    EXPECT_EQ(outcome.exitCode, 7);
}

TEST_F(ChildProcessTest, ArgumentsArriveUnchanged) {
    const Outcome outcome =
        RunProgram({"/bin/sh", "-c", "printf '[%s]' \"$@\"", "sh", "clip one.avi", "", "ä\"'"});
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(QString::fromUtf8(outcome.output), QString("[clip one.avi][][ä\"']"));
}

TEST_F(ChildProcessTest, OnlyTheStandardStreamsAreInherited) {
    // A descriptor opened without close-on-exec stays out of the child too.
    const int leaky = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    const Outcome outcome = RunProgram({"/bin/sh", "-c", "ls /proc/$$/fd"});
    ::close(leaky);
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.output.simplified(), QByteArray("0 1 2"));
}

TEST_F(ChildProcessTest, KillReleasesAThreadWaitingForTheExit) {
    CPipe input, output, errors;
    ASSERT_TRUE(CreatePipe(input) && CreatePipe(output) && CreatePipe(errors));
    CChildProcess child;
    ASSERT_TRUE(child.Start({"/bin/sleep", "60"}, input.readEnd.Get(), output.writeEnd.Get(),
                            errors.writeEnd.Get()));
    const pid_t pid = child.Pid();
    std::atomic<int> code{-2};
    std::thread waiter([&] { code = child.WaitForExit(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(code, -2);
    EXPECT_FALSE(child.HasExited());
    child.Kill();
    waiter.join();
    EXPECT_EQ(code, -1);
    EXPECT_TRUE(child.HasExited());
    EXPECT_TRUE(ProcessGone(pid));
    child.Kill(); // collected: nothing is signalled
    EXPECT_EQ(child.WaitForExit(), -1);
}

TEST_F(ChildProcessTest, DestroyingKillsAndCollectsTheChild) {
    CPipe input, output, errors;
    ASSERT_TRUE(CreatePipe(input) && CreatePipe(output) && CreatePipe(errors));
    pid_t pid = 0;
    {
        CChildProcess child;
        ASSERT_TRUE(child.Start({"/bin/sleep", "60"}, input.readEnd.Get(), output.writeEnd.Get(),
                                errors.writeEnd.Get()));
        pid = child.Pid();
    }
    EXPECT_TRUE(ProcessGone(pid)); // no zombie either
}

TEST_F(ChildProcessTest, StandardStreamsMayComeFromDescriptorsBelowThree) {
    // With descriptor 0 closed, the next pipe's read end is descriptor 0.
    const int savedInput = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(savedInput, 0);
    ::close(0);
    CPipe input, output, errors;
    const bool pipes = CreatePipe(input) && CreatePipe(output) && CreatePipe(errors);
    const int inputFd = input.readEnd.Get();
    CChildProcess child;
    const bool started = pipes && child.Start({"/bin/cat"}, input.readEnd.Get(),
                                              output.writeEnd.Get(), errors.writeEnd.Get());
    input.readEnd.Reset();
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ASSERT_TRUE(pipes);
    EXPECT_EQ(inputFd, 0);
    ASSERT_TRUE(started);
    output.writeEnd.Reset();
    errors.writeEnd.Reset();
    ASSERT_TRUE(WriteAll(input.writeEnd.Get(), "abc", 3));
    input.writeEnd.Reset();
    EXPECT_EQ(ReadToEnd(output.readEnd.Get()), QByteArray("abc"));
    EXPECT_EQ(child.WaitForExit(), 0);
}

TEST_F(ChildProcessTest, WriteToAClosedPipeFailsWithoutSignal) {
    CPipe pipe;
    ASSERT_TRUE(CreatePipe(pipe));
    pipe.readEnd.Reset();
    EXPECT_FALSE(WriteAll(pipe.writeEnd.Get(), "q\r\n", 3));
    EXPECT_EQ(errno, EPIPE);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST_F(ChildProcessTest, DescriptorsAreClosedByTheirOwners) {
    int readFd = -1;
    {
        CPipe pipe;
        ASSERT_TRUE(CreatePipe(pipe));
        readFd = pipe.readEnd.Get();
        EXPECT_TRUE(::fcntl(readFd, F_GETFD) & FD_CLOEXEC);
        CFileDescriptor moved(std::move(pipe.readEnd));
        EXPECT_FALSE(pipe.readEnd.IsOpen());
        EXPECT_EQ(moved.Get(), readFd);
    }
    EXPECT_EQ(::fcntl(readFd, F_GETFD), -1);

    CFileDescriptor wake = CreateWakeDescriptor();
    ASSERT_TRUE(wake.IsOpen());
    pollfd wait{wake.Get(), POLLIN, 0};
    EXPECT_EQ(::poll(&wait, 1, 0), 0);
    SignalWakeDescriptor(wake.Get());
    EXPECT_EQ(::poll(&wait, 1, 0), 1);
    EXPECT_EQ(::poll(&wait, 1, 0), 1); // stays signalled for every waiter
}
