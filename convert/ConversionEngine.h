#pragma once
// One conversion run, without any window: starts the encoder of each job,
// keeps the output names of the run apart, keeps a user's file under an
// output name safe until its job has succeeded, verifies each output, removes
// what an unfinished job left, and reports progress and results as signals.
// Everything runs on the thread that owns the engine; the runners' threads
// reach it only through their notices.

#include "convert/JobBuilder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

// One task of a conversion as it was when Convert was pressed.
struct ConversionJob {
    Task task;     // copy of the task's record and tracks
    QString title; // the text of the row's first column (" clip one")
    // The folder below the output folder the output goes into; empty for the
    // output folder itself (always, for the window's tasks).
    QString subfolder{};
};

// Makes a job's output path and command line; the engine asks again with a
// higher `copy` for a distinct name. BuildJob unless a test scripts the encoder.
using JobMaker = std::function<EncoderJob(const Task& task, const OutputSettings& settings,
                                          const QString& encoderPath, int copy)>;

// Everything a conversion needs; the engine reads nothing else.
struct ConversionSnapshot {
    QVector<ConversionJob> jobs;
    OutputSettings settings;
    QString encoderPath;  // LocateEncoder() at Convert
    int simultaneous = 1; // encoders at once; 1 = the designed one-at-a-time run
    JobMaker makeJob = BuildJob;
};

// SecondsLeft() as the conversion dialog and ostrela-convert show it: "About
// 2 min 10 s left", "Less than a minute left"; empty for a negative estimate
// (none yet).
QString FormatTimeLeft(double seconds);

// "Measuring loudness": a job's first pass, as the conversion dialog and
// ostrela-convert show it.
QString MeasuringLoudnessText();

enum class JobResult { Pending, Running, Done, Failed, Stopped };

// What became of one job so far.
struct JobStatus {
    JobResult result = JobResult::Pending;
    QString reason;     // empty unless Failed
    int percent = 0;    // task percentage of the last progress (may exceed 100)
    QString outputPath; // the distinct path actually used
    // The first of two passes runs: the sound is measured for even loudness.
    // The task percentage counts it as the first half of the job.
    bool measuring = false;
};

struct ConversionTotals {
    int finished = 0; // jobs that ended (any result)
    int succeeded = 0;
    int running = 0;
    int lowestRunning = -1; // the lowest-numbered job running; -1 when none runs
    // (finished jobs x 100 + sum of running jobs' percentages) / job count;
    // with one at a time this equals the designed TotalPercent.
    int percent = 0;
};

class ConversionEngine : public QObject {
    Q_OBJECT
public:
    // How a start is asked for. The conversion dialog sets it to its posted
    // "WMSTDIOCOMMAND" request, whose handler calls StartJob; the default is
    // a queued call of StartJob, so a start never runs inside the handler
    // that asked for it.
    using StartRequest = std::function<void(int job)>;

    explicit ConversionEngine(ConversionSnapshot snapshot, QObject* parent = nullptr);
    // Abandons whatever still runs (see Abandon).
    ~ConversionEngine() override;

    void SetStartRequest(StartRequest request);

    // Asks for the first starts: job 0 with one encoder at a time, jobs 0..n-1
    // with n at once. Later starts are asked for as jobs end, until every job
    // has been started or the conversion is stopped.
    void Start();
    // Runs job `job`'s encoder now (the handler of a start request). First
    // puts right what dead programs left in the output folder. Keeps output
    // names distinct (a second job with the same output path, or one whose
    // path another running task writes, gets " (2)" etc. before the
    // extension, skipping names that exist), sets an existing file at the
    // output path aside, starts the runner. A job that cannot start ends
    // Failed at once with its reason.
    void StartJob(int job);

    // STOP: writes "q\r\n" to every running encoder and kills it at once,
    // starts nothing more. Running jobs end Stopped (their unfinished output
    // removed, set-aside files put back) when their runs end or at Abandon.
    void Stop();
    // Closing: ends every run now (kills, joins), removes unfinished outputs,
    // puts set-aside files back, marks those jobs Stopped. Emits nothing.
    void Abandon();

    int JobCount() const;
    bool IsFinished() const;           // every started job has ended and nothing more will start
    JobStatus StatusOf(int job) const; // a Pending status outside the jobs
    ConversionTotals Totals() const;
    // Estimated seconds left for the whole conversion; negative until the
    // estimate rests on at least two seconds of progress.
    double SecondsLeft() const;
    const ConversionSnapshot& Snapshot() const;

signals:
    void jobStarted(int job); // the runner's Started notice
    // One progress chunk with a time (chunks without a time are not reported):
    // elapsed media seconds (> 0.01), the task percentage, and the raw text
    // (for FormatOutputStatus).
    void jobProgress(int job, double elapsedSeconds, int percent, const QString& text);
    void jobEnded(int job, JobResult result, const QString& reason);
    // Every job has ended, or the conversion was stopped and no run remains.
    void finished();

private:
    struct JobState;
    class NoticeReceiver;
    friend class NoticeReceiver;

    int RunningCount() const;
    void OnNotice(int job, int kind, const char* text);
    void OnRunEnded(int job);
    // The conversion pass of a job: sets a file at its output path aside and
    // runs `commandLine`; a job that cannot run ends Failed.
    void StartConversion(int job, const QString& commandLine);
    // Starts the runner of either pass; a runner that cannot start ends the job Failed.
    void StartRunner(int job, const QString& commandLine);
    // The first pass has ended well: the conversion follows with its measurement.
    void StartMeasuredConversion(int job);
    void EndJob(int job, JobResult result, const QString& reason);
    void RequestStart(int job);
    void RequestNextStarts();
    EncoderJob MakeJob(int job, int copy) const;
    // The job with the first name no other job of this run takes.
    EncoderJob DistinctJob(int job) const;
    QString FailureReason(int job) const;
    // Why a job's output could not be made ready before its start.
    QString SetAsideFailureReason(int job) const;
    // Why the encoder could not be started, from the errno of the start.
    QString StartFailureReason(int error) const;
    // Closes a runner whose run has ended, once its last notice has been handled.
    void ReleaseRunner(int job);

    ConversionSnapshot snapshot;
    StartRequest startRequest;
    std::vector<std::unique_ptr<JobState>> states;
    QSet<QString> usedOutputs;      // output files written by this conversion
    QSet<QString> recoveredFolders; // put right once per conversion
    int nextToStart = 0;            // the next job whose start has not been asked for
    int requested = 0;              // starts asked for that have not yet been handled
    bool stopped = false;
    bool abandoned = false;
    bool finishedSent = false;

    // The time-left estimate: the work done (in clip fractions, a finished job
    // counting as one) when the last progress arrived, and when that was.
    QElapsedTimer clock; // from the first start
    qint64 lastProgressMs = -1;
};
