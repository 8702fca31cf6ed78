#pragma once
// The conversion dialog: converts the tasks of the task list one after another
// in row order, one encoder run each, with a bar for the current task and one
// for all tasks, status lines, and STOP. Every step runs on the window thread;
// the runner's threads reach the dialog only through their notices.

#include "convert/OutputGuard.h"
#include "convert/Redirect.h"

#include <QDialog>
#include <QSet>
#include <QStringList>
#include <mutex>

class QProgressBar;
class COstrelaDlg;

// The registered message that starts a task (wParam: the task index). Tasks
// are only started through it, from the message loop, never from inside the
// handler that asked for the start.
extern const int WMSTDIOCOMMAND;

// The command line of task `taskIndex` from its record and the main window's
// output settings. A non-empty `title` replaces the task's title (used to keep
// the output names of one conversion apart).
QString BuildEncoderCommand(int taskIndex, const QString& title = QString());

class CStatusDlg : public QDialog {
    Q_OBJECT
public:
    explicit CStatusDlg(QWidget* parent = nullptr);
    ~CStatusDlg() override;

    // Posts the start request for a task to this dialog.
    void RequestTaskStart(int taskIndex);

    // Escape and the close box: ends the conversion without asking; the
    // running encoder is killed and its unfinished output removed.
    void reject() override;

    // What the conversion achieved so far, for the final message.
    int SucceededCount() const { return succeeded; }
    QStringList FailedSources() const { return failedSources; }

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnStartTask(int taskIndex);
    void OnRunnerNotice(const CRunnerNoticeEvent& notice);
    void OnOutputText(const QString& text);
    void OnTaskStarted();
    void OnTaskEnded();
    void OnStop();
    void Finish();
    // Ends the current run, removes the output it left unfinished and puts
    // back the file that lay under the output name.
    void AbandonRunningTask();
    // The output path of task i for this conversion, distinct from the paths
    // earlier tasks of the same conversion wrote.
    QString UniqueTitleFor(int taskIndex);

    // Held only while a start request is posted, so a request made from any
    // thread is queued whole.
    std::mutex startLock;
    // Before the runner, so the encoder is gone before the guard puts back
    // what it kept.
    COutputGuard outputGuard;
    CRedirect runner;
    int taskCount = 0;
    int currentTask = 0;
    bool stopped = false;
    QProgressBar* totalBar = nullptr; // 1021, the lower bar
    QProgressBar* taskBar = nullptr;  // 1020, the upper bar

    COstrelaDlg* mainDlg = nullptr;
    int startTimerId = 0; // the one-shot start delay
    bool taskRunning = false;
    // While the STOP question is open the conversion may come to its end;
    // what that means waits for the answer.
    bool askingToStop = false;
    bool finishPending = false;
    QSet<QString> usedOutputs; // output files written by this conversion
    int succeeded = 0;
    QStringList failedSources;
};
