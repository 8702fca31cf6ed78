// Converting N sources through the real main window, conversion dialog and
// runner, against the same encoder command lines run back to back without
// the program. Reports both wall times, the ratio (the program's time less its
// fixed 500 ms start delay, over the direct time), the median gap between one
// encoder's end and the next one's start, and the program's own CPU time as a
// share of the encoders' CPU time. Targets: ratio <= 1.03, gap <= 10 ms, CPU <= 2 %.
//
// Then the same with "Convert Several Files at Once" (as many encoders as
// processor cores) against plain encoders run the same number side by side
// (target ratio <= 1.05) and against plain encoders one after another (reported).
//
// Usage: ConvertBench [sources, default 10] [seconds per source, default 60] [rounds, default 5]
//                     [format: mp3 (default), wav, ac3, flac, opus, aac or vorbis]

#include "app/Ostrela.h"
#include "bench/BenchMedia.h"
#include "convert/Redirect.h"
#include "convert/StatusDlg.h"
#include "platform/CommandLine.h"
#include "platform/ListCtrl.h"
#include "platform/MessageBox.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The notices of a conversion go to receivers inside the conversion dialog.
bool InConversionDialog(QObject* object) {
    for (; object; object = object->parent())
        if (qobject_cast<CStatusDlg*>(object))
            return true;
    return false;
}

// Times when each encoder run was reported started and ended to the dialog.
class RunClock : public QObject {
public:
    explicit RunClock(const QElapsedTimer& since) : clock(since) { qApp->installEventFilter(this); }
    ~RunClock() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == CRunnerNoticeEvent::EventType() && InConversionDialog(watched)) {
            const auto kind = static_cast<CRunnerNoticeEvent*>(event)->kind();
            if (kind == RunnerNotice::Started)
                starts.push_back(clock.nsecsElapsed() / 1e6);
            else if (kind == RunnerNotice::Ended)
                ends.push_back(clock.nsecsElapsed() / 1e6);
        }
        return false;
    }
    const QElapsedTimer& clock;
    std::vector<double> starts, ends;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto [count, seconds, rounds] = ReadSourceBenchArguments(argc, argv, 5);
    const QString formatName = argc > 4 ? QString(argv[4]) : QStringLiteral("mp3");
    const QStringList formatNames = {"mp3",  "wav",  "ac3", "original",
                                     "flac", "opus", "aac", "vorbis"};
    const int format = std::max(int(FormatMP3), int(formatNames.indexOf(formatName)) + 1);

    QTemporaryDir program, media, output;
    if (!program.isValid() || !media.isValid() || !output.isValid())
        return 1;
    SetModuleFileNameForTesting(program.filePath("ostrela"));
    if (!QFile::link(QStringLiteral(OSTRELA_BIN_DIR "/vexa.exe"), program.filePath("vexa.exe")))
        return 1;
    std::fprintf(stderr, "making %d sources of %d s...\n", count, seconds);
    if (!MakeBenchVideo(media.filePath("source.mp4"), seconds))
        return 1;

    COstrelaDlg main;
    theApp.m_pMainWnd = &main;
    for (int i = 0; i < count; ++i) {
        const QString file = media.filePath(QString("source %1.mp4").arg(i));
        QFile::copy(media.filePath("source.mp4"), file);
        main.AppendTask(file, seconds);
    }
    main.SetOutputFormatRadios(format);
    main.bitrateList->setCurrentIndex(8); // 128k
    main.sampleRateList->setCurrentIndex(1);
    main.channelList->setCurrentIndex(1);
    GetDlgItemAs<QLineEdit>(&main, IDC_OUTPUT_PATH)->setText(output.filePath("program"));
    SetMessageBoxResponder([](const MessageBoxRequest&) { return IDOK; });
    SetShellHandler([](const ShellRequest&) { return true; });

    // The same command lines run directly, into another folder, one after
    // another. Direct runs and program runs alternate over several rounds and
    // the medians are compared, since this machine's speed drifts by more
    // than the difference being measured.
    const OutputSettings direct{output.filePath("direct"), format, 128, 44100, 2};
    QDir().mkpath(direct.outputFolder);
    QStringList commands;
    for (int i = 0; i < count; ++i)
        commands << BuildEncoderCommandLine(taskTable[i], direct, OutputExtensionOf(format),
                                            LocateEncoder());
    QElapsedTimer clock;
    clock.start();
    // Up to `width` encoders at once, the next starting as soon as one ends.
    auto runDirectSideBySide = [&](int width) {
        const qint64 start = clock.nsecsElapsed();
        std::vector<std::unique_ptr<QProcess>> running;
        int next = 0;
        while (next < commands.size() || !running.empty()) {
            while (next < commands.size() && int(running.size()) < width) {
                QStringList args = CommandLineToArgv(commands[next++]);
                const QString programPath = args.takeFirst();
                running.push_back(std::make_unique<QProcess>());
                running.back()->start(programPath, args);
                running.back()->waitForStarted(-1);
            }
            std::erase_if(running, [&](const std::unique_ptr<QProcess>& p) {
                return p->state() == QProcess::NotRunning ||
                       p->waitForFinished(running.size() == 1 ? -1 : 2);
            });
        }
        return (clock.nsecsElapsed() - start) / 1e6;
    };
    auto runDirect = [&] { return runDirectSideBySide(1); };
    const int cores = std::max(1, QThread::idealThreadCount());
    std::vector<double> directSideTimes, severalTimes;

    std::vector<double> directTimes, programTimes, gaps;
    double selfCpu = 0, childCpu = 0, directCpu = 0;
    for (int round = 0; round < rounds; ++round) {
        const double directBefore = CpuSeconds(RUSAGE_CHILDREN);
        directTimes.push_back(runDirect());
        directCpu += CpuSeconds(RUSAGE_CHILDREN) - directBefore;

        RunClock runs(clock);
        const double selfBefore = CpuSeconds(RUSAGE_SELF);
        const double childBefore = CpuSeconds(RUSAGE_CHILDREN);
        const qint64 programStart = clock.nsecsElapsed();
        main.OnCommand(IDC_CONVERT);
        programTimes.push_back((clock.nsecsElapsed() - programStart) / 1e6);
        selfCpu += CpuSeconds(RUSAGE_SELF) - selfBefore;
        childCpu += CpuSeconds(RUSAGE_CHILDREN) - childBefore;
        for (size_t i = 0; i + 1 < runs.starts.size() && i < runs.ends.size(); ++i)
            gaps.push_back(runs.starts[i + 1] - runs.ends[i]);

        directSideTimes.push_back(runDirectSideBySide(cores));
        main.OnCommand(ID_OPERATION_SIMULTANEOUS); // on
        const qint64 severalStart = clock.nsecsElapsed();
        main.OnCommand(IDC_CONVERT);
        severalTimes.push_back((clock.nsecsElapsed() - severalStart) / 1e6);
        main.OnCommand(ID_OPERATION_SIMULTANEOUS); // off again
    }

    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double programMs = median(programTimes);
    const double directMs = median(directTimes);
    const double medianGap = median(gaps);
    const double ratio = (programMs - 500.0) / directMs;
    const double cpuShare = childCpu > 0 ? 100.0 * selfCpu / childCpu : 0;

    std::printf("sources:                %d x %d s, %s 128k, %d rounds\n", count, seconds,
                qPrintable(formatNames.value(format - 1)), rounds);
    std::printf("program wall time:      %.0f ms (median)\n", programMs);
    std::printf("direct wall time:       %.0f ms (median)\n", directMs);
    std::printf("ratio (program-500)/direct: %.3f (target <= 1.03)\n", ratio);
    std::printf("median gap end->start:  %.2f ms over %zu gaps (target <= 10)\n", medianGap,
                gaps.size());
    std::printf("own CPU / encoders CPU: %.3f s / %.3f s = %.2f %% (target <= 2)\n", selfCpu,
                childCpu, cpuShare);
    std::printf("encoders CPU when run directly: %.3f s\n", directCpu);
    const double severalMs = median(severalTimes);
    const double sideMs = median(directSideTimes);
    const double severalRatio = (severalMs - 500.0) / sideMs;
    std::printf("encoders at once:       %d (processor cores)\n", cores);
    std::printf("program, %d at once:     %.0f ms (median)\n", cores, severalMs);
    std::printf("direct, %d side by side: %.0f ms (median)\n", cores, sideMs);
    std::printf("ratio (program-500)/side by side: %.3f (target <= 1.05)\n", severalRatio);
    std::printf("ratio (program-500)/one after another: %.3f (reported)\n",
                (severalMs - 500.0) / directMs);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("load average:           %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    theApp.m_pMainWnd = nullptr;
    const bool met = ratio <= 1.03 && medianGap <= 10 && cpuShare <= 2 && severalRatio <= 1.05;
    return met ? 0 : 2;
}
