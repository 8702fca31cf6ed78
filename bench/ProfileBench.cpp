// Settings files with a huge value: reading the value at start-up (through
// CIni, as the main window does) and writing one key into the same file.
// Reading goes over the file once, so both should stay well under a second
// for 10 MB; a small file is timed beside them for comparison.
//
// Usage: ProfileBench [value size in MB] [rounds]

#include "platform/PrivateProfile.h"
#include "tasks/Ini.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Times {
    double read = 1e9;
    double write = 1e9;
};

bool Put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The best of `rounds` for reading the big value and for writing another key.
bool Measure(const QString& path, const QByteArray& contents, qsizetype valueSize, int rounds,
             Times& best) {
    CIni ini;
    ini.SetPathName(path);
    for (int round = 0; round < rounds; ++round) {
        if (!Put(path, contents))
            return false;
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<char[]> value = ini.GetString("TaskSetting", "OutputPath");
        best.read = std::min(best.read, timer.nsecsElapsed() / 1e9);
        if (qsizetype(std::strlen(value.get())) != valueSize)
            return false;
        timer.restart();
        const bool written = ini.WriteInt("TaskSetting", "Channel", round % 2);
        best.write = std::min(best.write, timer.nsecsElapsed() / 1e9);
        if (!written)
            return false;
    }
    return true;
}

QByteArray File(const QByteArray& value) {
    return "[TaskSetting]\r\nOutputFormat=1\r\nOutputPath=" + value + "\r\nChannel=1\r\n";
}

} // namespace

int main(int argc, char** argv) {
    const int megabytes = std::max(argc > 1 ? std::atoi(argv[1]) : 10, 1);
    const int rounds = std::max(argc > 2 ? std::atoi(argv[2]) : 3, 1);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath("option.ini");
    const QByteArray big(qsizetype(megabytes) * 1000 * 1000, 'p');
    const QByteArray small("/home/u/MyAudio/");

    Times huge;
    Times usual;
    if (!Measure(path, File(big), big.size(), rounds, huge) ||
        !Measure(path, File(small), small.size(), rounds, usual)) {
        std::fprintf(stderr, "reading or writing option.ini failed\n");
        return 1;
    }
    std::printf("option.ini with a %d MB value: read %.3f s, write one key %.3f s\n", megabytes,
                huge.read, huge.write);
    std::printf("option.ini of %lld bytes:       read %.6f s, write one key %.6f s\n",
                static_cast<long long>(File(small).size()), usual.read, usual.write);
    const bool fast = huge.read < 1.0 && huge.write < 1.0;
    std::printf("%s\n", fast ? "within a second" : "SLOWER THAN A SECOND");
    return fast ? 0 : 2;
}
