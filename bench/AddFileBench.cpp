// Probing source files through AddFile against the mediainfo command-line
// tool over the same files in one process. Both read the playing time with
// the same library; the program's own cost (a handle per file, the row, the
// wait cursor) should stay within 1.3 times the tool's.
//
// Usage: AddFileBench [files per round, at most 100] [rounds]

#include "app/Ostrela.h"
#include "bench/BenchMedia.h"
#include "platform/MessageBox.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = std::clamp(argc > 1 ? atoi(argv[1]) : 100, 1, TASK_TABLE_SIZE);
    const int rounds = std::max(argc > 2 ? atoi(argv[2]) : 3, 1);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // A few real videos of each container, copied to `count` distinct files.
    const QStringList sources = {"a.avi", "b.mp4", "c.mkv", "d.mov"};
    for (int i = 0; i < sources.size(); ++i)
        if (!MakeBenchVideo(dir.filePath(sources[i]), 4.0 + i * 1.7)) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(sources[i]));
            return 1;
        }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString source = sources[i % sources.size()];
        const QString file = dir.filePath(
            QString("clip %1.%2").arg(i, 3, 10, QChar('0')).arg(source.section('.', -1)));
        if (!QFile::copy(dir.filePath(source), file))
            return 1;
        files << file;
    }

    int boxes = 0;
    SetMessageBoxResponder([&](const MessageBoxRequest& box) {
        if (box.flags & MB_YESNO)
            return IDYES; // emptying the list between rounds
        ++boxes;
        return IDOK;
    });
    COstrelaDlg dlg;
    theApp.m_pMainWnd = &dlg;

    qint64 bestAdd = -1;
    qint64 bestTool = -1;
    for (int round = 0; round < rounds; ++round) {
        dlg.OnCommand(ID_OPERATION_DELETE_ALL);
        QElapsedTimer t;
        t.start();
        for (const QString& f : files)
            dlg.AddFile(f);
        const qint64 addNs = t.nsecsElapsed();

        QProcess tool;
        t.restart();
        tool.start("mediainfo", QStringList{"--Inform=General;%Duration%\\n"} + files);
        if (!tool.waitForFinished(300000) || tool.exitCode() != 0) {
            std::fprintf(stderr, "mediainfo failed\n");
            return 1;
        }
        const qint64 toolNs = t.nsecsElapsed();

        // Both must have read the same playing times.
        const QStringList lines =
            QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        int agree = 0;
        for (int i = 0; i < count && i < lines.size(); ++i)
            agree += taskTable[i].duration == lines[i].trimmed().toInt() / 1000;
        std::printf("round %d: AddFile %8.1f ms, mediainfo %8.1f ms, ratio %.2f "
                    "(%d rows, %d of %d times agree, %d boxes)\n",
                    round + 1, addNs / 1e6, toolNs / 1e6, double(addNs) / double(toolNs),
                    dlg.taskList->GetItemCount(), agree, count, boxes);
        bestAdd = bestAdd < 0 ? addNs : std::min(bestAdd, addNs);
        bestTool = bestTool < 0 ? toolNs : std::min(bestTool, toolNs);
    }
    theApp.m_pMainWnd = nullptr;
    std::printf("best of %d: AddFile %.1f ms, mediainfo %.1f ms for %d files; ratio %.2f "
                "(target at most 1.30)\n",
                rounds, bestAdd / 1e6, bestTool / 1e6, count, double(bestAdd) / double(bestTool));
    return 0;
}
