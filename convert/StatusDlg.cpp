#include "convert/StatusDlg.h"

#include "app/Ostrela.h"
#include "convert/EncoderCommand.h"
#include "convert/EncoderOutput.h"
#include "platform/ListCtrl.h"
#include "platform/MessageBox.h"
#include "platform/FileSystem.h"
#include "platform/Notification.h"
#include "platform/Shell.h"
#include "platform/WaitCursor.h"
#include "platform/WindowMessage.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"

#include <QApplication>
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

QString BuildEncoderCommand(int taskIndex, const QString& title) {
    const COstrelaDlg* main = AfxGetMainDlg();
    if (!main || taskIndex < 0 || taskIndex >= TASK_TABLE_SIZE)
        return QString();
    TaskRecord task = taskTable[taskIndex];
    if (!title.isEmpty())
        SetFixedText(task.title, title);
    return BuildTaskCommandLine(task, taskTracks[taskIndex], main->outputSettings, LocateEncoder());
}

CStatusDlg::CStatusDlg(QWidget* parent) : QDialog(parent), mainDlg(AfxGetMainDlg()) {
    OnInitDialog();
}

CStatusDlg::~CStatusDlg() {
    // The runner kills a child that still runs; its unfinished output goes too.
    AbandonRunningTask();
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

    taskCount = mainDlg ? mainDlg->taskList->GetItemCount() : 0;
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
        RequestTaskStart(currentTask);
    }
    QDialog::timerEvent(event);
}

void CStatusDlg::RequestTaskStart(int taskIndex) {
    std::lock_guard lock(startLock);
    PostMessage(this, WMSTDIOCOMMAND, static_cast<WPARAM>(taskIndex), 0);
}

bool CStatusDlg::event(QEvent* event) {
    if (event->type() == WMSTDIOCOMMAND) {
        OnStartTask(static_cast<int>(static_cast<CWindowMessage*>(event)->wParam));
        return true;
    }
    if (event->type() == CRunnerNoticeEvent::EventType()) {
        OnRunnerNotice(*static_cast<CRunnerNoticeEvent*>(event));
        return true;
    }
    return QDialog::event(event);
}

QString CStatusDlg::UniqueTitleFor(int taskIndex) {
    const QString title = FixedText(taskTable[taskIndex].title);
    const QString folder = mainDlg->outputSettings.outputFolder;
    const QString extension = mainDlg->GetTaskOutputExtension(taskIndex);
    QString candidate = title;
    for (int n = 2; usedOutputs.contains(BuildOutputPath(folder, candidate, extension)); ++n)
        candidate = title + QStringLiteral(" (%1)").arg(n);
    return candidate;
}

void CStatusDlg::OnStartTask(int taskIndex) {
    if (stopped || !mainDlg || taskIndex < 0 || taskIndex >= taskCount)
        return;
    const QString title = UniqueTitleFor(taskIndex);
    const QString output = BuildOutputPath(mainDlg->outputSettings.outputFolder, title,
                                           mainDlg->GetTaskOutputExtension(taskIndex));
    usedOutputs.insert(output);
    // The encoder overwrites its output path: a file already there is kept
    // aside until the task has succeeded, and a task that cannot keep it
    // does not run.
    if (!outputGuard.SetAside(output) ||
        !runner.Start(BuildEncoderCommand(taskIndex, title), false, this)) {
        // An encoder that cannot start fails its task; the others still run.
        outputGuard.Restore();
        failedSources << FixedText(taskTable[taskIndex].sourcePath);
        OnTaskEnded();
    }
}

void CStatusDlg::OnRunnerNotice(const CRunnerNoticeEvent& notice) {
    switch (notice.kind()) {
    case RunnerNotice::Caption:
        setWindowTitle(QString::fromUtf8(notice.text()));
        break;
    case RunnerNotice::Text:
    case RunnerNotice::Output:
        OnOutputText(QString::fromUtf8(notice.text()));
        break;
    case RunnerNotice::Started:
        OnTaskStarted();
        break;
    case RunnerNotice::Ended: {
        if (!taskRunning || stopped)
            break; // a stopped run ends with the dialog
        taskRunning = false;
        // An encoder killed by a signal, ending with an error or leaving an
        // empty file has failed, whatever it wrote.
        if (runner.ExitCode() == 0 && outputGuard.HasOutput()) {
            outputGuard.Commit();
            ++succeeded;
        } else {
            outputGuard.Restore();
            failedSources << FixedText(taskTable[currentTask].sourcePath);
        }
        OnTaskEnded();
        break;
    }
    }
}

void CStatusDlg::OnOutputText(const QString& text) {
    const double elapsed = ParseElapsedSeconds(text);
    if (!(elapsed > 0.01))
        return;
    const int p = TaskPercent(elapsed, taskTable[currentTask].clipLength);
    SetBar(taskBar, p);
    const QString status = FormatOutputStatus(text);
    const int t = TotalPercent(currentTask, p, taskCount);
    SetBar(totalBar, t);
    SetDlgItemText(this, IDC_CURRENT_TEXT, status + QString::asprintf("   -- %d%% Finished", p));
    SetDlgItemText(this, IDC_TOTAL_TEXT,
                   QString::asprintf("Current Task %d.  Total tasks: %d ---  %d%% Finished",
                                     currentTask + 1, taskCount, t));
}

void CStatusDlg::OnTaskStarted() {
    taskRunning = true;
    taskBar->setValue(0);
    SetDlgItemText(this, IDC_CURRENT_TEXT, QStringLiteral("Initializing..."));
    setWindowTitle(QStringLiteral("Converting  ") + mainDlg->taskList->GetItemText(currentTask, 0) +
                   QStringLiteral(" ..."));
}

void CStatusDlg::OnTaskEnded() {
    if (currentTask + 1 < taskCount && !stopped) {
        taskBar->setValue(100);
        SetDlgItemText(this, IDC_CURRENT_TEXT, QStringLiteral("Finished"));
        ++currentTask;
        setWindowTitle(QString::asprintf("The current task is %d", currentTask));
        RequestTaskStart(currentTask);
        return;
    }
    Finish();
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

    // The dialog ends with OK, but stays on screen in its finished state
    // behind the final message until the folder has been opened.
    const QString folder = mainDlg->outputSettings.outputFolder;
    if (!QApplication::activeWindow()) // the user works in another program
        AnnounceConversion(succeeded, taskCount, folder);
    bool openFolder = true;
    if (failedSources.isEmpty()) {
        MessageBox(this, QStringLiteral("Successfully Converting Files and Save to ") + folder,
                   QStringLiteral("Congratulations!"), MB_ICONINFORMATION | MB_OK);
    } else {
        // A failure is never reported as success: say what was converted and
        // name every file that was not.
        const QString text = QStringLiteral("Converted %1 of %2 files and saved them to %3.\n\n"
                                            "These files could not be converted:\n%4")
                                 .arg(QString::number(succeeded), QString::number(taskCount),
                                      folder, failedSources.join('\n'));
        MessageBox(this, text, QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
        openFolder = succeeded > 0;
    }
    if (openFolder)
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
    runner.WriteInput("q\r\n");
    runner.Terminate();
    stopped = true;
    QThread::msleep(kStopPauseMs);
    AbandonRunningTask();
    wait.Restore();
    done(QDialog::Accepted);
}

void CStatusDlg::reject() {
    stopped = true;
    AbandonRunningTask();
    QDialog::reject();
}

void CStatusDlg::AbandonRunningTask() {
    runner.Close();
    taskRunning = false;
    outputGuard.Restore();
}
