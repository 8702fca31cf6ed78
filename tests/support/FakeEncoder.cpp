// A stand-in for the encoder with exactly timed behaviour, run by the tests of
// the child process runner. Its arguments are a script of steps carried out in
// order:
//
//   out TEXT         write TEXT to standard output in one write (\r \n \t \\ decoded)
//   err TEXT         the same on standard error
//   bytes N STREAM   write N bytes (A to Z repeated) in one write; STREAM is out or err
//   sleep MS         wait
//   hang             wait until killed
//   await PATH       wait until a file PATH exists
//   spam             write a short line to standard output every millisecond, forever
//   readq            read standard input until a 'q' arrives, then write "quit\n"
//                    (or "eof\n" when the input ends first)
//   pid              write "pid=<process id>\n" to standard output
//   orphan MS        start a process that keeps the output pipes open for MS
//                    milliseconds after this one has ended, writing "orphan\n"
//                    to standard output every millisecond
//   exit N           end at once with exit code N (the default end is code 0)
//   write PATH       write "audio\n" to the file PATH (created or truncated)
//   touch PATH       leave an empty file at PATH
//   progress S N MS  report N progress lines, one every MS milliseconds, on
//                    standard error, the media time growing by S seconds each

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            _exit(99);
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

std::string Decode(const char* text) {
    std::string decoded;
    for (const char* p = text; *p; ++p) {
        if (*p == '\\' && p[1]) {
            ++p;
            decoded += *p == 'r' ? '\r' : *p == 'n' ? '\n' : *p == 't' ? '\t' : *p;
        } else {
            decoded += *p;
        }
    }
    return decoded;
}

void SleepMs(long ms) {
    timespec wait{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) < 0 && errno == EINTR) {
    }
}

int StreamFd(const char* name) {
    return std::strcmp(name, "err") == 0 ? 2 : 1;
}

[[noreturn]] void Usage(const char* step) {
    std::fprintf(stderr, "fake_encoder: bad step '%s'\n", step);
    std::exit(98);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc)
                Usage(step.c_str());
            return argv[++i];
        };
        if (step == "out" || step == "err") {
            WriteAll(StreamFd(step.c_str()), Decode(next()));
        } else if (step == "bytes") {
            const long count = std::atol(next());
            const int fd = StreamFd(next());
            std::string text;
            for (long k = 0; k < count; ++k)
                text += static_cast<char>('A' + k % 26);
            WriteAll(fd, text);
        } else if (step == "sleep") {
            SleepMs(std::atol(next()));
        } else if (step == "await") {
            const char* path = next();
            while (access(path, F_OK) != 0)
                SleepMs(1);
        } else if (step == "hang") {
            for (;;)
                pause();
        } else if (step == "spam") {
            for (unsigned long k = 0;; ++k) {
                WriteAll(1, "line " + std::to_string(k) + "\n");
                SleepMs(1);
            }
        } else if (step == "readq") {
            char c;
            bool quit = false;
            for (;;) {
                const ssize_t got = read(0, &c, 1);
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    break;
                if (c == 'q') {
                    quit = true;
                    break;
                }
            }
            WriteAll(1, quit ? "quit\n" : "eof\n");
        } else if (step == "pid") {
            WriteAll(1, "pid=" + std::to_string(getpid()) + "\n");
        } else if (step == "orphan") {
            const long ms = std::atol(next());
            if (fork() == 0) {
                for (long k = 0; k < ms; ++k) {
                    WriteAll(1, "orphan\n");
                    SleepMs(1);
                }
                _exit(0);
            }
        } else if (step == "write" || step == "touch") {
            const char* path = next();
            std::FILE* file = std::fopen(path, "w");
            if (!file)
                return 97;
            if (step == "write")
                std::fputs("audio\n", file);
            std::fclose(file);
        } else if (step == "progress") {
            const double seconds = std::atof(next());
            const long count = std::atol(next());
            const long ms = std::atol(next());
            for (long k = 1; k <= count; ++k) {
                SleepMs(ms);
                char line[128];
                const double t = seconds * k;
                std::snprintf(line, sizeof line,
                              "size=     100kB time=%02d:%02d:%05.2f bitrate= 128.0kbits/s\r",
                              int(t) / 3600, int(t) / 60 % 60, t - int(t) / 60 * 60);
                WriteAll(2, line);
            }
        } else if (step == "exit") {
            return std::atoi(next());
        } else {
            Usage(step.c_str());
        }
    }
    return 0;
}
