#include "convert/StatusDlg.h"

#include "convert/EncoderOutput.h"
#include "platform/MessageBox.h"
#include "platform/FileSystem.h"
#include "platform/Notification.h"
#include "platform/Shell.h"
#include "platform/WaitCursor.h"
#include "platform/WindowMessage.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/DisplayText.h"
#include "tasks/TaskTable.h"

#include <QApplication>
#include <memory>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimerEvent>

const int WMSTDIOCOMMAND = RegisterWindowMessage("WMSTDIOCOMMAND");

namespace {
constexpr int kStartDelayMs = 500;
constexpr int kStopPauseMs = 2000;

void SetBar(QProgressBar* bar, int percent) {
    // The bar shows more than 100 per cent as full.
    bar->setValue(qBound(0, percent, 100));
}
} // namespace

CStatusDlg::CStatusDlg(ConversionSnapshot snapshot, QWidget* parent)
    : QDialog(parent), engine(std::move(snapshot), this) {
    engine.SetStartRequest([this](int job) { RequestTaskStart(job); });
    connect(&engine, &ConversionEngine::jobStarted, this, &CStatusDlg::OnJobStarted);
    connect(&engine, &ConversionEngine::jobProgress, this, &CStatusDlg::OnJobProgress);
    connect(&engine, &ConversionEngine::jobEnded, this, [this](int job) { OnJobEnded(job); });
    connect(&engine, &ConversionEngine::finished, this, &CStatusDlg::OnFinished);
    OnInitDialog();
}

CStatusDlg::~CStatusDlg() {
    // Running encoders are killed; their unfinished output goes too.
    engine.Abandon();
}

void CStatusDlg::OnInitDialog() {
    BuildDialog(this, StatusDialogTemplate());
    taskBar = GetDlgItemAs<QProgressBar>(this, IDC_TASK_BAR);
    totalBar = GetDlgItemAs<QProgressBar>(this, IDC_TOTAL_BAR);
    auto* stop = GetDlgItemAs<QPushButton>(this, IDC_STOP);
    connect(stop, &QPushButton::clicked, this, &CStatusDlg::OnStop);

    taskBar->setRange(0, 100);
    taskBar->setValue(0);
    totalBar->setRange(0, 100);
    totalBar->setValue(0);

    taskCount = engine.JobCount();
    SetDlgItemText(this, IDC_CURRENT_TEXT, QStringLiteral("Current Task: Initializing..."));
    SetDlgItemText(
        this, IDC_TOTAL_TEXT,
        QString::asprintf("Total Progress: %d Task Completed / Total %d Task(s)", 0, taskCount));
    // Never early: a coarse timer may fire up to 5 % before its interval.
    startTimerId = startTimer(kStartDelayMs, Qt::PreciseTimer);
    stop->setFocus();
}

void CStatusDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == startTimerId) {
        killTimer(startTimerId);
        startTimerId = 0;
        engine.Start();
    }
    QDialog::timerEvent(event);
}

void CStatusDlg::RequestTaskStart(int taskIndex) {
    std::lock_guard lock(startLock);
    PostMessage(this, WMSTDIOCOMMAND, static_cast<WPARAM>(taskIndex), 0);
}

bool CStatusDlg::event(QEvent* event) {
    if (event->type() == WMSTDIOCOMMAND) {
        const int job = static_cast<int>(static_cast<CWindowMessage*>(event)->wParam);
        if (!stopped && job >= 0 && job < taskCount)
            engine.StartJob(job);
        return true;
    }
    return QDialog::event(event);
}

void CStatusDlg::ShowCaptionOf(int job) {
    setWindowTitle(QStringLiteral("Converting  ") + engine.Snapshot().jobs[job].title +
                   QStringLiteral(" ..."));
}

void CStatusDlg::OnJobStarted(int job) {
    // The upper line and bar follow the lowest-numbered task still running.
    if (job != engine.Totals().lowestRunning)
        return;
    taskBar->setValue(0);
    SetDlgItemText(this, IDC_CURRENT_TEXT,
                   engine.StatusOf(job).measuring ? MeasuringLoudnessText()
                                                  : QStringLiteral("Initializing..."));
    ShowCaptionOf(job);
}

void CStatusDlg::OnJobProgress(int job, double, int p, const QString& text) {
    const int shown = engine.Totals().lowestRunning;
    if (job == shown) {
        SetBar(taskBar, p);
        // The encoder's figures of a measurement would read as the conversion's.
        const QString status =
            engine.StatusOf(job).measuring ? MeasuringLoudnessText() : FormatOutputStatus(text);
        SetDlgItemText(this, IDC_CURRENT_TEXT,
                       status + QString::asprintf("   -- %d%% Finished", p));
    }
    const int t = engine.Totals().percent;
    SetBar(totalBar, t);
    SetDlgItemText(this, IDC_TOTAL_TEXT,
                   QString::asprintf("Current Task %d.  Total tasks: %d ---  %d%% Finished",
                                     shown + 1, taskCount, t));
    SetDlgItemText(this, IDC_TIME_LEFT, FormatTimeLeft(engine.SecondsLeft()));
}

void CStatusDlg::OnJobEnded(int job) {
    if (stopped || engine.IsFinished())
        return; // the end of the conversion shows itself
    const int shown = engine.Totals().lowestRunning;
    if (shown >= 0) {
        // Several at once: the next task still running takes the upper line.
        if (shown > job) {
            SetBar(taskBar, engine.StatusOf(shown).percent);
            ShowCaptionOf(shown);
        }
        return;
    }
    taskBar->setValue(100);
    SetDlgItemText(this, IDC_CURRENT_TEXT, QStringLiteral("Finished"));
    setWindowTitle(QString::asprintf("The current task is %d", job + 1));
}

void CStatusDlg::OnFinished() {
    // The end arrives inside a runner's notice. The final box runs an event
    // loop of its own, which must not run inside that delivery: it opens
    // from this dialog's loop once the notice has been handled.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!stopped)
                Finish();
        },
        Qt::QueuedConnection);
}

void CStatusDlg::Finish() {
    if (askingToStop) {
        finishPending = true; // the answer decides
        return;
    }
    taskBar->setValue(100);
    totalBar->setValue(100);
    setWindowTitle(QStringLiteral("Finished"));
    SetDlgItemText(this, IDC_CURRENT_TEXT, QStringLiteral("Finished"));
    SetDlgItemText(this, IDC_TOTAL_TEXT, QStringLiteral("All Tasks Finished"));
    SetDlgItemText(this, IDC_TIME_LEFT, QString());

    // The dialog ends with OK, but stays on screen in its finished state
    // behind the final message until the folder has been opened.
    const QString folder = engine.Snapshot().settings.outputFolder;
    const int succeeded = engine.Totals().succeeded;
    // A click on the notice while the final box shows opens the folder, and
    // the box's OK then leaves it.
    const auto opened = std::make_shared<bool>(false);
    if (!QApplication::activeWindow()) // the user works in another program
        AnnounceConversion(succeeded, taskCount, folder, opened);
    QStringList failures;
    for (int i = 0; i < engine.JobCount(); ++i)
        if (engine.StatusOf(i).result == JobResult::Failed)
            failures << FixedText(engine.Snapshot().jobs[i].task.record.sourcePath) +
                            QStringLiteral(": ") + engine.StatusOf(i).reason;
    bool openFolder = true;
    if (failures.isEmpty()) {
        MessageBox(this, QStringLiteral("Successfully Converting Files and Save to ") + folder,
                   QStringLiteral("Congratulations!"), MB_ICONINFORMATION | MB_OK);
    } else {
        // A failure is never reported as success: say what was converted and
        // name every file that was not, with the reason.
        const QString text = QStringLiteral("Converted %1 of %2 files and saved them to %3.\n\n"
                                            "These files could not be converted:\n%4")
                                 .arg(QString::number(succeeded), QString::number(taskCount),
                                      folder, failures.join('\n'));
        // Paths and the encoder's words, bounded to fit a screen.
        MessageBox(this, DisplayText(text, 2 * MAX_PATH), QStringLiteral("WARNING"),
                   MB_ICONEXCLAMATION | MB_OK);
        openFolder = succeeded > 0;
    }
    if (openFolder && !*opened)
        ShellExecute(this, QStringLiteral("open"), folder, QString(), QString(), SW_SHOWNORMAL);
    done(QDialog::Accepted);
}

void CStatusDlg::OnStop() {
    askingToStop = true;
    const int answer = MessageBox(this, QStringLiteral("Do you want to stop the conversion?"),
                                  QStringLiteral("Question"), MB_YESNO | MB_ICONQUESTION);
    askingToStop = false;
    if (stopped)
        return; // closed while the question was open
    if (finishPending) {
        // Every task ended while the question was open: whatever the answer,
        // nothing is left to stop and the conversion is finished.
        finishPending = false;
        Finish();
        return;
    }
    if (answer != IDYES)
        return;
    CWaitCursor wait;
    stopped = true;
    engine.Stop(); // "q\r\n" and the kill, to every running encoder
    QThread::msleep(kStopPauseMs);
    engine.Abandon();
    wait.Restore();
    done(QDialog::Accepted);
}

void CStatusDlg::done(int result) {
    QVector<JobStatus> results;
    for (int i = 0; i < engine.JobCount(); ++i)
        results << engine.StatusOf(i);
    emit closing(results);
    QDialog::done(result);
}

void CStatusDlg::reject() {
    stopped = true;
    engine.Abandon();
    QDialog::reject();
}
