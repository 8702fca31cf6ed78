#include "convert/ConversionEngine.h"

#include "convert/EncoderOutput.h"
#include "convert/OutputGuard.h"
#include "convert/Redirect.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QMetaObject>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {
// What is kept of an encoder's output to find the reason of a failure: its
// error lines come last, after the banner and the progress lines.
constexpr qsizetype kKeptOutput = 64 * 1024;
constexpr qint64 kEstimateAfterMs = 2000;

bool IsProgressLine(const QString& line) {
    return line.contains(QLatin1String("time=")) && line.contains(QLatin1String("bitrate="));
}

// The folder is missing, or this user may not create files in it.
bool FolderUnwritable(const QString& folder) {
    const QFileInfo info(folder);
    return !info.isDir() || !info.isWritable();
}

// A job's reason, followed by where the user's file stays when it could not
// be put back under its name (the folder was renamed, or another task's file
// took the place).
QString WithKeptFile(const QString& reason, const QString& keptPath) {
    if (keptPath.isEmpty())
        return reason;
    const QString kept = QStringLiteral("the earlier file is kept as %1").arg(keptPath);
    return reason.isEmpty() ? kept : reason + QStringLiteral("; ") + kept;
}

bool FolderFull(const QString& folder) {
    struct statvfs st;
    return ::statvfs(QFile::encodeName(folder).constData(), &st) == 0 && st.f_bavail == 0;
}
} // namespace

struct ConversionEngine::JobState : JobStatus {
    double fraction = 0; // of the job done, at most 1 (each of two passes is half)
    EncoderJob made;     // the job as it was named at its start
    QByteArray output;   // the tail of what the encoder wrote
    OutputGuard guard;
    std::unique_ptr<NoticeReceiver> receiver;
    // Declared last: the encoder is gone before its receiver and before the
    // guard puts back what it kept.
    std::unique_ptr<CRedirect> runner;
};

// Receives one job's runner notices on the engine's thread. A child of the
// engine, so whatever watches the engine's owner sees the notices pass.
class ConversionEngine::NoticeReceiver : public QObject {
public:
    NoticeReceiver(ConversionEngine* owner, int index) : engine(owner), job(index) {
        setParent(owner);
    }
    bool event(QEvent* e) override {
        if (e->type() != CRunnerNoticeEvent::EventType())
            return QObject::event(e);
        const auto* notice = static_cast<CRunnerNoticeEvent*>(e);
        engine->OnNotice(job, static_cast<int>(notice->kind()), notice->text());
        return true;
    }

private:
    ConversionEngine* const engine;
    const int job;
};

ConversionEngine::ConversionEngine(ConversionSnapshot snap, QObject* parent)
    : QObject(parent), snapshot(std::move(snap)) {
    snapshot.simultaneous = std::max(1, snapshot.simultaneous);
    for (int i = 0; i < snapshot.jobs.size(); ++i) {
        states.push_back(std::make_unique<JobState>());
        states.back()->outputPath = MakeJob(i, 1).outputPath;
    }
    startRequest = [this](int job) {
        QMetaObject::invokeMethod(
            this, [this, job] { StartJob(job); }, Qt::QueuedConnection);
    };
}

ConversionEngine::~ConversionEngine() {
    Abandon();
}

void ConversionEngine::SetStartRequest(StartRequest request) {
    startRequest = std::move(request);
}

void ConversionEngine::Start() {
    RequestNextStarts();
}

void ConversionEngine::RequestStart(int job) {
    ++requested;
    startRequest(job);
}

void ConversionEngine::RequestNextStarts() {
    while (!stopped && nextToStart < JobCount() &&
           RunningCount() + requested < snapshot.simultaneous)
        RequestStart(nextToStart++);
    if (!finishedSent && !abandoned && IsFinished()) {
        finishedSent = true;
        emit finished();
    }
}

EncoderJob ConversionEngine::MakeJob(int job, int copy) const {
    const ConversionJob& made = snapshot.jobs[job];
    if (made.subfolder.isEmpty())
        return snapshot.makeJob(made.task, snapshot.settings, snapshot.encoderPath, copy);
    OutputSettings settings = snapshot.settings;
    settings.outputFolder += QLatin1Char('/') + made.subfolder;
    return snapshot.makeJob(made.task, settings, snapshot.encoderPath, copy);
}

EncoderJob ConversionEngine::DistinctJob(int job) const {
    EncoderJob made = MakeJob(job, 1);
    // A user's file under the designed name is set aside and replaced; an
    // output another task is writing is not.
    if (!usedOutputs.contains(made.outputPath) &&
        !OutputGuard::IsWrittenByRunningTask(made.outputPath))
        return made;
    for (int copy = 2;; ++copy) {
        made = MakeJob(job, copy);
        // An invented name never replaces anything: it skips whatever exists.
        struct stat st;
        if (!usedOutputs.contains(made.outputPath) &&
            ::lstat(QFile::encodeName(made.outputPath).constData(), &st) != 0 && errno == ENOENT)
            return made;
    }
}

void ConversionEngine::StartJob(int job) {
    if (requested > 0)
        --requested;
    if (stopped || abandoned || job < 0 || job >= JobCount() ||
        states[job]->result != JobResult::Pending) {
        RequestNextStarts();
        return;
    }
    if (!clock.isValid())
        clock.start();
    JobState& state = *states[job];
    // What programs that died left in the folder is put right before anything
    // there is named or set aside.
    const QString folder = QFileInfo(state.outputPath).absolutePath();
    if (!recoveredFolders.contains(folder)) {
        recoveredFolders.insert(folder);
        OutputGuard::RecoverFolder(folder);
    }
    state.made = DistinctJob(job);
    state.outputPath = state.made.outputPath;
    usedOutputs.insert(state.outputPath);
    if (!state.made.measureLine.isEmpty()) {
        // The measurement writes nothing: the output path is only made
        // ready for the conversion that follows it.
        state.measuring = true;
        StartRunner(job, state.made.measureLine);
        return;
    }
    StartConversion(job, state.made.commandLine);
}

void ConversionEngine::StartConversion(int job, const QString& commandLine) {
    JobState& state = *states[job];
    // The encoder overwrites its output path: a file already there is kept
    // aside until the job has succeeded, and a job that cannot keep it does
    // not run.
    switch (state.guard.SetAside(state.outputPath)) {
    case OutputGuard::SetAsideResult::Ready:
        break;
    case OutputGuard::SetAsideResult::WriteProtected:
        EndJob(job, JobResult::Failed,
               QStringLiteral("the file %1 is write-protected")
                   .arg(QFileInfo(state.outputPath).fileName()));
        return;
    case OutputGuard::SetAsideResult::Failed:
        EndJob(job, JobResult::Failed, SetAsideFailureReason(job));
        return;
    }
    StartRunner(job, commandLine);
}

void ConversionEngine::StartRunner(int job, const QString& commandLine) {
    JobState& state = *states[job];
    if (!state.receiver)
        state.receiver = std::make_unique<NoticeReceiver>(this, job);
    state.runner = snapshot.simultaneous == 1
                       ? std::make_unique<CRedirect>()
                       : std::make_unique<CRedirect>(CRedirect::Independent{});
    state.result = JobResult::Running; // the Started notice arrives inside Start
    if (!state.runner->Start(commandLine, false, state.receiver.get())) {
        const QString reason = StartFailureReason(state.runner->StartError());
        state.runner.reset();
        state.guard.Restore();
        EndJob(job, JobResult::Failed, reason);
    }
}

void ConversionEngine::OnNotice(int job, int kind, const char* text) {
    JobState& state = *states[job];
    switch (static_cast<RunnerNotice>(kind)) {
    case RunnerNotice::Caption:
        break;
    case RunnerNotice::Started:
        // A job starts once, whatever number of passes it has.
        if (state.measuring || state.made.measureLine.isEmpty())
            emit jobStarted(job);
        break;
    case RunnerNotice::Text:
    case RunnerNotice::Output: {
        if (state.result != JobResult::Running || !text)
            break;
        state.output.append(text);
        if (state.output.size() > kKeptOutput)
            state.output.remove(0, state.output.size() - kKeptOutput);
        const QString chunk = QString::fromUtf8(text);
        const double elapsed = ParseElapsedSeconds(chunk);
        if (!(elapsed > 0.01))
            break;
        const double clip = snapshot.jobs[job].task.record.clipLength;
        state.percent = TaskPercent(elapsed, clip);
        state.fraction = clip > 0 ? std::min(1.0, elapsed / clip) : 0.0;
        if (!state.made.measureLine.isEmpty()) {
            const bool second = !state.measuring;
            state.percent = std::min(state.percent, 100) / 2 + (second ? 50 : 0);
            state.fraction = state.fraction / 2 + (second ? 0.5 : 0.0);
        }
        lastProgressMs = clock.elapsed();
        emit jobProgress(job, elapsed, state.percent, chunk);
        break;
    }
    case RunnerNotice::Ended:
        OnRunEnded(job);
        break;
    }
}

void ConversionEngine::OnRunEnded(int job) {
    JobState& state = *states[job];
    if (state.result != JobResult::Running || abandoned)
        return;
    if (state.measuring && !stopped && state.runner->ExitCode() == 0) {
        // The runner is inside the delivery of its last notice: the second
        // pass starts once that has returned.
        QMetaObject::invokeMethod(
            this, [this, job] { StartMeasuredConversion(job); }, Qt::QueuedConnection);
        return;
    }
    ReleaseRunner(job);
    if (stopped) {
        const QString kept = state.guard.Restore();
        if (kept.isEmpty())
            EndJob(job, JobResult::Stopped, QString());
        else
            EndJob(job, JobResult::Failed, WithKeptFile(QString(), kept));
        return;
    }
    // An encoder killed by a signal, ending with an error or leaving an empty
    // file has failed, whatever it wrote; so has a job whose own output is no
    // longer at its path (success means this job's encoder wrote that file).
    if (state.runner->ExitCode() == 0 && state.guard.HasOutput()) {
        state.guard.Commit();
        EndJob(job, JobResult::Done, QString());
        return;
    }
    const QString reason = FailureReason(job);
    EndJob(job, JobResult::Failed, WithKeptFile(reason, state.guard.Restore()));
}

void ConversionEngine::StartMeasuredConversion(int job) {
    JobState& state = *states[job];
    if (state.result != JobResult::Running || abandoned)
        return;
    state.runner.reset();
    state.measuring = false;
    if (stopped) {
        EndJob(job, JobResult::Stopped, QString());
        return;
    }
    const std::optional<LoudnessMeasure> measured =
        ParseLoudnessMeasure(QString::fromUtf8(state.output));
    if (!measured) {
        EndJob(job, JobResult::Failed, QStringLiteral("the loudness could not be measured"));
        return;
    }
    state.output.clear();
    StartConversion(job, MeasuredCommandLine(state.made, *measured));
}

QString ConversionEngine::StartFailureReason(int error) const {
    if (snapshot.encoderPath.isEmpty())
        return QStringLiteral("the encoder was not found");
    if ((error == ENOENT || error == ENOTDIR) && !QFileInfo::exists(snapshot.encoderPath))
        return QStringLiteral("the encoder was not found at %1").arg(snapshot.encoderPath);
    // Anything else is no missing file: too many open files, no memory, a
    // program that may not be run. The system's words, as the other reasons read.
    QString cause = QString::fromLocal8Bit(std::strerror(error));
    if (!cause.isEmpty())
        cause[0] = cause[0].toLower();
    return QStringLiteral("the encoder could not be started: %1").arg(cause);
}

QString ConversionEngine::SetAsideFailureReason(int job) const {
    const JobState& state = *states[job];
    const int error = state.guard.SetAsideError();
    if (error == ENOSPC || error == EDQUOT ||
        FolderFull(QFileInfo(state.outputPath).absolutePath()))
        return QStringLiteral("the disk is full");
    // No descriptor or no memory left: the encoder cannot start either.
    if (error == EMFILE || error == ENFILE || error == ENOMEM)
        return StartFailureReason(error);
    return QStringLiteral("the output folder cannot be written");
}

QString ConversionEngine::FailureReason(int job) const {
    const JobState& state = *states[job];
    const QString text = QString::fromUtf8(state.output);
    const QString folder = QFileInfo(state.outputPath).absolutePath();
    if (text.contains(QLatin1String("No space left on device")) ||
        text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))) || FolderFull(folder))
        return QStringLiteral("the disk is full");
    if (text.contains(QLatin1String("does not contain any stream")) ||
        text.contains(QLatin1String("matches no streams")))
        return QStringLiteral("the source has no sound track");
    QStringList lines;
    for (const QString& raw : text.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        const QString line = raw.trimmed();
        if (!line.isEmpty() && !IsProgressLine(line))
            lines << line;
    }
    const QString outputName = QFileInfo(state.outputPath).fileName();
    const bool outputDenied = std::any_of(lines.cbegin(), lines.cend(), [&](const QString& line) {
        return line.contains(QLatin1String("Permission denied")) && line.contains(outputName);
    });
    if (outputDenied || FolderUnwritable(folder))
        return QStringLiteral("the output folder cannot be written");
    const int code = state.runner ? state.runner->ExitCode() : -1;
    const int signal = state.runner ? state.runner->ExitSignal() : 0;
    if (signal != 0)
        return QStringLiteral("the encoder was stopped by signal %1").arg(signal);
    if (!lines.isEmpty()) {
        // The encoder names the source first ("/a/b.avi: No such file or
        // directory"); the reason is shown after that path already.
        const QString source =
            FixedText(snapshot.jobs[job].task.record.sourcePath) + QLatin1Char(':');
        const QString& last = lines.last();
        const QString cause = last.startsWith(source) ? last.mid(source.size()).trimmed() : last;
        return cause.isEmpty() ? last : cause;
    }
    if (code == 0)
        return QStringLiteral("the encoder wrote no output");
    return QStringLiteral("the encoder ended with code %1").arg(code);
}

void ConversionEngine::ReleaseRunner(int job) {
    // The runner is inside the delivery of its last notice: close it once
    // that has returned.
    QMetaObject::invokeMethod(
        this,
        [this, job] {
            if (states[job]->result != JobResult::Running)
                states[job]->runner.reset();
        },
        Qt::QueuedConnection);
}

void ConversionEngine::EndJob(int job, JobResult result, const QString& reason) {
    JobState& state = *states[job];
    state.result = result;
    state.measuring = false;
    state.reason = result == JobResult::Failed ? reason : QString();
    if (result == JobResult::Done || result == JobResult::Failed)
        state.fraction = 1.0;
    emit jobEnded(job, result, state.reason);
    RequestNextStarts();
}

void ConversionEngine::Stop() {
    stopped = true;
    for (const auto& state : states) {
        if (state->result == JobResult::Running && state->runner) {
            state->runner->WriteInput("q\r\n");
            state->runner->Terminate();
        }
    }
    RequestNextStarts();
}

void ConversionEngine::Abandon() {
    stopped = true;
    abandoned = true;
    for (const auto& state : states) {
        if (state->runner)
            state->runner->Close();
        if (state->result == JobResult::Running) {
            const QString kept = state->guard.Restore();
            state->result = kept.isEmpty() ? JobResult::Stopped : JobResult::Failed;
            state->reason = WithKeptFile(QString(), kept);
        }
    }
}

int ConversionEngine::JobCount() const {
    return static_cast<int>(states.size());
}

bool ConversionEngine::IsFinished() const {
    return RunningCount() == 0 && (stopped || (requested == 0 && nextToStart >= JobCount()));
}

int ConversionEngine::RunningCount() const {
    return static_cast<int>(std::count_if(states.begin(), states.end(), [](const auto& s) {
        return s->result == JobResult::Running;
    }));
}

JobStatus ConversionEngine::StatusOf(int job) const {
    return job >= 0 && job < JobCount() ? static_cast<const JobStatus&>(*states[job]) : JobStatus();
}

ConversionTotals ConversionEngine::Totals() const {
    ConversionTotals totals;
    long long percent = 0;
    for (int i = 0; i < JobCount(); ++i) {
        switch (states[i]->result) {
        case JobResult::Pending:
            break;
        case JobResult::Running:
            ++totals.running;
            if (totals.lowestRunning < 0)
                totals.lowestRunning = i;
            percent += states[i]->percent;
            break;
        case JobResult::Done:
            ++totals.succeeded;
            [[fallthrough]];
        case JobResult::Failed:
        case JobResult::Stopped:
            ++totals.finished;
            percent += 100;
            break;
        }
    }
    if (JobCount() > 0)
        percent /= JobCount();
    totals.percent = percent < 0 ? 0 : percent > INT_MAX ? INT_MAX : int(percent);
    return totals;
}

double ConversionEngine::SecondsLeft() const {
    if (IsFinished() && finishedSent)
        return 0;
    if (lastProgressMs < kEstimateAfterMs || JobCount() == 0)
        return -1;
    double done = 0;
    for (const auto& state : states) {
        if (state->result == JobResult::Running)
            done += state->fraction;
        else if (state->result != JobResult::Pending)
            done += 1;
    }
    const double fraction = done / JobCount();
    if (!(fraction > 0))
        return -1;
    const double atLastProgress = lastProgressMs / 1000.0 * (1 - fraction) / fraction;
    const double since = (clock.elapsed() - lastProgressMs) / 1000.0;
    return std::max(0.0, atLastProgress - since);
}

const ConversionSnapshot& ConversionEngine::Snapshot() const {
    return snapshot;
}

QString MeasuringLoudnessText() {
    return QStringLiteral("Measuring loudness");
}

QString FormatTimeLeft(double seconds) {
    if (!(seconds >= 0))
        return QString();
    if (seconds < 60)
        return QStringLiteral("Less than a minute left");
    const qint64 whole = qRound64(seconds);
    return QStringLiteral("About %1 min %2 s left").arg(whole / 60).arg(whole % 60);
}
