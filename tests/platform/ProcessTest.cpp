// Child processes on redirected descriptors, started from any thread.

#include "platform/Process.h"

#include "TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray ReadToEnd(int fd) {
    QFile file;
    return file.open(fd, QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unread>");
}

struct Outcome {
    bool started = false;
    int error = 0;
    int exitCode = -2;
    QByteArray output, errors;
};

Outcome RunProgram(const QStringList& argv, const QByteArray& input = {}) {
    Outcome outcome;
    CPipe in, output, errors;
    EXPECT_TRUE(CreatePipe(in) && CreatePipe(output) && CreatePipe(errors));
    CChildProcess child;
    outcome.started = child.Start(argv, in.readEnd.Get(), output.writeEnd.Get(),
                                  errors.writeEnd.Get(), &outcome.error);
    in.readEnd.Reset();
    EXPECT_TRUE(!outcome.started || WriteAll(in.writeEnd.Get(), input.data(), input.size()));
    in.writeEnd.Reset();
    output.writeEnd.Reset();
    errors.writeEnd.Reset();
    if (outcome.started) {
        outcome.output = ReadToEnd(output.readEnd.Get());
        outcome.errors = ReadToEnd(errors.readEnd.Get());
        outcome.exitCode = child.WaitForExit();
    }
    return outcome;
}

} // namespace

TEST(ChildProcess, StartFailuresAreReportedAtOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(testing_support::WriteFile(dir.filePath("text"), "hello"));
    const struct {
        QStringList argv;
        int error;
    } cases[] = {
        {{"/nonexistent/folder/program", "-y"}, ENOENT},
        {{"sh", "-c", "true"}, ENOENT}, // a path, not searched on PATH
        {{dir.filePath("text")}, EACCES},
    };
    for (const auto& c : cases) {
        const Outcome outcome = RunProgram(c.argv);
        EXPECT_FALSE(outcome.started) << c.argv[0].toStdString();
        EXPECT_EQ(outcome.error, c.error) << c.argv[0].toStdString();
    }
    EXPECT_FALSE(RunProgram({}).started);
}

// A descriptor opened without close-on-exec stays out of the child; with
// descriptor 0 closed, the input pipe's read end becomes descriptor 0.
TEST(ChildProcess, ArgumentsStreamsAndExitCodePassAndNothingElseIsInherited) {
    const int leaky = ::open("/dev/null", O_RDONLY);
    const int savedInput = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_TRUE(leaky >= 0 && savedInput >= 0);
    ::close(0);
    const Outcome outcome = RunProgram(
        {"/bin/sh", "-c", "cat; printf '[%s]' \"$@\"; ls /proc/$$/fd; echo err >&2; exit 7", "sh",
         "clip one.avi", "", "ä\"'"},
        "abc");
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ::close(leaky);
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(QString::fromUtf8(outcome.output), "abc[clip one.avi][][ä\"']0\n1\n2\n");
    EXPECT_EQ(outcome.errors, "err\n");
    EXPECT_EQ(outcome.exitCode, 7);
    // Our own pipes are not inherited by children started elsewhere either.
    CPipe pipe;
    ASSERT_TRUE(CreatePipe(pipe));
    EXPECT_TRUE(::fcntl(pipe.readEnd.Get(), F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(::fcntl(pipe.writeEnd.Get(), F_GETFD) & FD_CLOEXEC);
}

// A child outlives the thread that started it (the parent-death signal follows
// the program) and starts with default actions for signals this one ignores.
TEST(ChildProcess, OutlivesTheStartingThreadWithDefaultSignalActions) {
    CPipe in, output;
    ASSERT_TRUE(CreatePipe(in) && CreatePipe(output));
    CChildProcess child;
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    std::thread([&] {
        EXPECT_TRUE(child.Start({"/bin/sh", "-c", "read x; grep ^SigIgn /proc/$$/status; exit 3"},
                                in.readEnd.Get(), output.writeEnd.Get(), output.writeEnd.Get()));
    }).join();
    ::sigaction(SIGPIPE, &previous, nullptr);
    in.readEnd.Reset();
    output.writeEnd.Reset();
    ASSERT_TRUE(WriteAll(in.writeEnd.Get(), "x\n", 2));
    in.writeEnd.Reset();
    EXPECT_EQ(ReadToEnd(output.readEnd.Get()), "SigIgn:\t0000000000000000\n");
    EXPECT_EQ(child.WaitForExit(), 3);
    EXPECT_EQ(child.TermSignal(), 0);
}
