// Reading a large folder tree: the walker stopped at the task list's 100
// files (what a drop or Add Folder reads), the whole tree (what
// ostrela-convert reads for a folder), and `find | sort -V` over the same tree
// for comparison, best of the rounds each.
//
// Usage: FolderScanBench [folders] [files per folder] [rounds]

#include "tasks/FolderScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int folders = argc > 1 ? std::atoi(argv[1]) : 200;
    const int files = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    QTemporaryDir temp;
    // Half the names are videos; every tenth folder lies one level deeper.
    for (int f = 0; f < folders; ++f) {
        const QString folder =
            temp.filePath(QStringLiteral("%1disc %2").arg(f % 10 ? "" : "box/").arg(f));
        if (!QDir().mkpath(folder))
            return 1;
        for (int i = 0; i < files; ++i) {
            QFile file(folder + QStringLiteral("/part %1.%2").arg(i).arg(i % 2 ? "mkv" : "txt"));
            if (!file.open(QIODevice::WriteOnly))
                return 1;
        }
    }
    double limited = 1e9, whole = 1e9, shell = 1e9;
    qsizetype found = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (ScanFolder(temp.path(), 100).size() != 100)
            return 1;
        limited = std::min(limited, timer.nsecsElapsed() / 1e9);
        timer.restart();
        found = ScanFolder(temp.path(), INT32_MAX).size();
        whole = std::min(whole, timer.nsecsElapsed() / 1e9);
        timer.restart();
        QProcess find;
        find.start("sh", {"-c", "find \"$0\" -name '*.mkv' | sort -V | wc -l", temp.path()});
        find.waitForFinished(-1);
        shell = std::min(shell, timer.nsecsElapsed() / 1e9);
    }
    std::printf("%d folders x %d files, %lld videos, best of %d\n", folders, files,
                static_cast<long long>(found), rounds);
    std::printf("  walker, first 100      %8.4f s\n", limited);
    std::printf("  walker, whole tree     %8.4f s\n", whole);
    std::printf("  find | sort -V         %8.4f s\n", shell);
    return 0;
}
