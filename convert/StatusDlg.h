#pragma once
// The conversion dialog: shows a conversion run by the engine, with a bar for
// the lowest-numbered task still running and one for all tasks, status lines,
// the time left, and STOP. Every step runs on the window thread; the engine
// reports to it through signals.

#include "convert/ConversionEngine.h"

#include <QDialog>
#include <QStringList>
#include <mutex>

class QProgressBar;

// The registered message that starts a task (wParam: the task index). Tasks
// are only started through it, from the message loop, never from inside the
// handler that asked for the start.
extern const int WMSTDIOCOMMAND;

class CStatusDlg : public QDialog {
    Q_OBJECT
public:
    // The main window hands over everything the conversion needs.
    explicit CStatusDlg(ConversionSnapshot snapshot, QWidget* parent = nullptr);
    ~CStatusDlg() override;

    // Posts the start request for a task to this dialog.
    void RequestTaskStart(int taskIndex);

    // Escape and the close box: ends the conversion without asking; running
    // encoders are killed and their unfinished output removed.
    void reject() override;

    // Every way of closing ends here: hands each job's status to `closing`.
    void done(int result) override;

signals:
    // What became of each job, as the dialog closes.
    void closing(const QVector<JobStatus>& results);

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnInitDialog();
    void OnJobStarted(int job);
    void OnJobProgress(int job, double elapsed, int percent, const QString& text);
    void OnJobEnded(int job);
    void OnFinished();
    void OnStop();
    void Finish();
    void ShowCaptionOf(int job);

    ConversionEngine engine;
    // Held only while a start request is posted, so a request made from any
    // thread is queued whole.
    std::mutex startLock;
    int taskCount = 0;
    bool stopped = false;
    QProgressBar* totalBar = nullptr; // 1021, the lower bar
    QProgressBar* taskBar = nullptr;  // 1020, the upper bar

    int startTimerId = 0; // the one-shot start delay
    // While the STOP question is open the conversion may come to its end;
    // what that means waits for the answer.
    bool askingToStop = false;
    bool finishPending = false;
};
