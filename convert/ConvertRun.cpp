// The run of ostrela-convert: probing, the engine, progress and the summary.

#include "convert/ConversionEngine.h"
#include "convert/ConvertCommand.h"
#include "tasks/FolderScan.h"
#include "tasks/Intake.h"
#include "tasks/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <functional>
#include <utility>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed) into a call on the
// event loop for its life, so an interrupted conversion stops its encoders and
// removes what they left unfinished instead of dying with them. The previous
// handlers come back at the end.
class StopOnSignal {
public:
    explicit StopOnSignal(std::function<void()> handler) : onSignal(std::move(handler)) {
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        writeEnd = fds[1];
        notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char drained[16];
            while (read(fds[0], drained, sizeof drained) > 0) {
            }
            this->onSignal();
        });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const auto written = write(writeEnd, &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &previousInt);
        sigaction(SIGTERM, &action, &previousTerm);
        sigaction(SIGHUP, &action, &previousHup);
    }
    ~StopOnSignal() {
        if (!notifier)
            return;
        sigaction(SIGINT, &previousInt, nullptr);
        sigaction(SIGTERM, &previousTerm, nullptr);
        sigaction(SIGHUP, &previousHup, nullptr);
        notifier.reset();
        writeEnd = -1;
        close(fds[0]);
        close(fds[1]);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

private:
    static inline volatile sig_atomic_t writeEnd = -1;
    std::function<void()> onSignal;
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
    struct sigaction previousHup {};
};

// Why a file cannot be converted, as Add Files would refuse it; empty when
// it can. Fills the job's record and its sound tracks from the probe.
QString ProbeJob(const QString& path, const ConvertOptions& options, ConversionJob& job) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (info.isDir())
        return QStringLiteral("the folder holds no video files");
    switch (CheckSourcePath(path)) {
    case SourceProblem::Dvd:
        return QStringLiteral("DVD files (*.vob/*.ifo) are not supported");
    case SourceProblem::PathTooLong:
        return QStringLiteral("the path is longer than %1 bytes").arg(MAX_PATH - 1);
    default:
        break;
    }
    ProbedSource source = ProbeSource(path, options.track);
    switch (source.problem) {
    case SourceProblem::Unreadable:
        return QStringLiteral("the file cannot be read as a video");
    case SourceProblem::NoSound:
        return QStringLiteral("the source has no sound track");
    case SourceProblem::NoSuchTrack:
        return QStringLiteral("the source has no sound track %1 (it has %2)")
            .arg(options.track)
            .arg(source.trackCount);
    default:
        break;
    }
    job.task = std::move(source.task);
    job.task.chapters.split = options.splitChapters;
    job.title = GetDisplayName(path);
    return QString();
}

// The source a job converts as its reports name it: the file, and the
// chapter when the file is split.
QString JobSource(const ConversionJob& job) {
    QString source = FixedText(job.task.record.sourcePath);
    if (job.task.part.number > 0)
        source += QStringLiteral(" (chapter %1)").arg(job.task.part.number);
    return source;
}

// One file to convert, and with --keep-folders the folder below the output
// folder its output goes into.
struct Source {
    QString path;
    QString subfolder;
};

// `folder` relative to `base`: empty when it is `base` itself or does not lie
// below it, so no output ever leaves the output folder.
QString FolderBelow(const QString& base, const QString& folder) {
    const QString relative = QDir(base).relativeFilePath(folder);
    if (relative == QLatin1String(".") || relative == QLatin1String("..") ||
        relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return QString();
    return relative;
}

// The files to convert: each file given, and the videos of each folder given
// in FolderScan's order (a folder without any stays, to be named).
QVector<Source> SourcesOf(const ConvertOptions& options) {
    QVector<Source> sources;
    for (const QString& given : options.files) {
        if (!QFileInfo(given).isDir()) {
            sources.push_back({given, options.keepFolders
                                          ? FolderBelow(options.baseFolder, QFileInfo(given).path())
                                          : QString()});
            continue;
        }
        const qsizetype before = sources.size();
        FolderScan scan(given);
        for (QString path = scan.Next(); !path.isEmpty(); path = scan.Next())
            sources.push_back({path, options.keepFolders
                                         ? FolderBelow(given, QFileInfo(path).path())
                                         : QString()});
        if (sources.size() == before)
            sources.push_back({given, QString()});
    }
    return sources;
}

} // namespace

int RunConvertCommand(const ConvertOptions& options, QTextStream& out, QTextStream& err) {
    const auto failed = [&err](const QString& path, const QString& reason) {
        err << path << ": " << reason << Qt::endl;
    };

    ConversionSnapshot snapshot;
    snapshot.settings = options.output;
    snapshot.encoderPath = LocateEncoder();
    snapshot.simultaneous = options.jobs;

    const QVector<Source> sources = SourcesOf(options);
    int refused = 0;
    // The file each job comes from: a file split into chapters has several.
    QVector<int> fileOfJob;
    for (int file = 0; file < sources.size(); ++file) {
        const Source& source = sources[file];
        ConversionJob job;
        const QString reason = ProbeJob(source.path, options, job);
        if (!reason.isEmpty()) {
            failed(source.path, reason);
            ++refused;
            continue;
        }
        for (const Task& task : SplitIntoChapters(job.task)) {
            snapshot.jobs.push_back({task, job.title, source.subfolder});
            fileOfJob << file;
        }
    }

    const int total = static_cast<int>(sources.size());
    const auto summary = [&](int converted) {
        out << QStringLiteral("Converted %1 of %2 files into %3")
                   .arg(converted)
                   .arg(total)
                   .arg(QDir::toNativeSeparators(options.output.outputFolder))
            << Qt::endl;
        return converted == total ? 0 : 1;
    };
    if (snapshot.jobs.isEmpty())
        return summary(0);

    // The window makes the folder at Convert; here its parents too, as mkdir
    // -p, and the subfolders the outputs go into.
    QDir().mkpath(options.output.outputFolder);
    for (const ConversionJob& job : snapshot.jobs)
        if (!job.subfolder.isEmpty())
            QDir(options.output.outputFolder).mkpath(job.subfolder);

    ConversionEngine engine(std::move(snapshot));
    QEventLoop loop;
    // A file is finished when all its jobs have ended, converted when all succeeded.
    const auto filesWhere = [&](const std::function<bool(JobResult)>& each) {
        QVector<bool> all(total, true);
        for (int job = 0; job < engine.JobCount(); ++job)
            all[fileOfJob[job]] = all[fileOfJob[job]] && each(engine.StatusOf(job).result);
        int files = 0;
        for (int job = 0; job < engine.JobCount(); ++job)
            if (std::exchange(all[fileOfJob[job]], false))
                ++files;
        return files;
    };
    QObject::connect(&engine, &ConversionEngine::jobEnded,
                     [&](int job, JobResult result, const QString& reason) {
                         const QString source = JobSource(engine.Snapshot().jobs[job]);
                         if (result == JobResult::Failed)
                             failed(source, reason);
                         else if (result == JobResult::Stopped)
                             failed(source, QStringLiteral("stopped"));
                     });
    QObject::connect(&engine, &ConversionEngine::finished, &loop, &QEventLoop::quit);

    const auto stop = [&] {
        engine.Stop();
        // Stopped between two runs, nothing is left to end and report it.
        if (engine.IsFinished())
            loop.quit();
    };
    QTimer progress;
    progress.setInterval(1000);
    QObject::connect(&progress, &QTimer::timeout, [&] {
        const ConversionTotals totals = engine.Totals();
        const int finished = filesWhere(
            [](JobResult r) { return r != JobResult::Pending && r != JobResult::Running; });
        QString line = QStringLiteral("%1% done, %2 of %3 files finished")
                           .arg(totals.percent)
                           .arg(finished + refused)
                           .arg(total);
        if (engine.StatusOf(totals.lowestRunning).measuring)
            line += QStringLiteral(". ") + MeasuringLoudnessText();
        const QString left = FormatTimeLeft(engine.SecondsLeft());
        if (!left.isEmpty())
            line += QStringLiteral(". ") + left;
        out << line << Qt::endl;
        // Whoever read the progress has gone (`| head -n 1`): SIGPIPE is
        // ignored, and a closed standard output ends the run like a signal.
        if (out.status() != QTextStream::Ok)
            stop();
    });
    StopOnSignal stopOnSignal(stop);
    QTimer::singleShot(0, &engine, [&] {
        engine.Start();
        progress.start();
    });
    loop.exec();
    progress.stop();
    // Stopped, the files never started are not converted either.
    for (int job = 0; job < engine.JobCount(); ++job)
        if (engine.StatusOf(job).result == JobResult::Pending)
            failed(JobSource(engine.Snapshot().jobs[job]), QStringLiteral("not started"));
    return summary(filesWhere([](JobResult r) { return r == JobResult::Done; }));
}

int ConvertMain(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const ConvertOptions defaults = ConvertDefaults(SettingsFilesToRead());
    const ParsedConvertCommand parsed =
        ParseConvertCommand(arguments, defaults, QDir::currentPath());
    switch (parsed.action) {
    case ConvertAction::Help:
        out << ConvertUsageText(defaults);
        return 0;
    case ConvertAction::Version:
        out << ConvertVersionText();
        return 0;
    case ConvertAction::UsageError:
        err << "ostrela-convert: " << parsed.error << "\n\n" << ConvertUsageText(defaults);
        err.flush();
        return 2;
    case ConvertAction::Run:
        break;
    }
    return RunConvertCommand(parsed.options, out, err);
}
