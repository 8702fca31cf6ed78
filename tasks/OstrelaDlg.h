#pragma once
// The main window: the program's only top-level window, a modal dialog on
// template 102 without a title bar. It owns the task list and the output
// settings and receives every command of the program through OnCommand.

#include "convert/ConversionEngine.h"
#include "tasks/DriveInfo.h"
#include "tasks/FileDropListCtrl.h"
#include "tasks/TaskList.h"

#include <QDialog>
#include <functional>
#include <optional>

class QComboBox;
class QMenuBar;
class QPushButton;
class QWindow;

class COstrelaDlg : public QDialog {
    Q_OBJECT
public:
    explicit COstrelaDlg(QWidget* parent = nullptr);
    ~COstrelaDlg() override;

    // Runs the command with this id; false when the window has no such command.
    bool OnCommand(int id);

    // Fills entry n with its sound tracks (none chosen) and appends row n
    // (n = row count) for a probed file and selects it. False, with nothing
    // written, when the table is full or the path does not fit the table's fields.
    bool AppendTask(const QString& path, int seconds, QList<SoundTrack> tracks = {},
                    QList<Chapter> chapters = {});

    // Makes one source file a task: refuses DVD files and files without sound,
    // probes the playing time and the sound tracks and appends the entry and
    // the row (also from drops on the list).
    void AddFile(QString path);
    // Adds the files in order through AddFile under one wait cursor, as the
    // Add Files command does with the dialog's choice; a full list ends it.
    void AddFiles(const QStringList& paths);
    // Adds the videos of a folder tree (FolderScan's order) through AddFile
    // under one wait cursor. False when the list was full before the tree's
    // end: the full list's message was shown, and the rest is left unread.
    bool AddFolder(const QString& folder);

    // Checks "To MP3", "To WAV", "To AC3" or "Keep Original" for 1 to 4, or
    // "More Formats" with its list on FLAC, Opus, AAC or Vorbis for 5 to 8, and
    // unchecks the others; any other code changes nothing. The lists of the
    // settings a format does not take are disabled (all three for Keep
    // Original, the bitrate for FLAC, the sample rate for Opus, which shows
    // its 48000 Hz meanwhile); each keeps the user's selection for the others.
    void SetOutputFormatRadios(int code);
    // The extension of the first checked radio's format ("mp3" when none is);
    // "mka" for Keep Original, whose tasks each have their own.
    QString GetOutputExtension() const;
    // The extension of row `row`'s output, as its "Output Format" column shows it.
    QString GetTaskOutputExtension(int row) const;

    // Encoders a conversion runs at once: 1, or the processor count while
    // "Convert Several Files at Once" is checked.
    int SimultaneousEncoders() const;

    // The folder proposed for output on the volume with the most free space,
    // ending with "/".
    QString FindLargestDrive();

    CFileDropListCtrl* taskList = nullptr;
    QComboBox* sampleRateList = nullptr;  // 1066
    QComboBox* channelList = nullptr;     // 1025
    QComboBox* bitrateList = nullptr;     // 1065
    QComboBox* formatList = nullptr;      // 1072, the choice of "More Formats"
    QPushButton* convertButton = nullptr; // 1019
    QMenuBar* menuBar = nullptr;

    // Moves the window with the mouse as its title bar would; the default is
    // QWindow::startSystemMove. Tests record the request. Returns the previous
    // handler; an empty one restores the default.
    using SystemMoveHandler = std::function<bool(QWindow*)>;
    static SystemMoveHandler SetSystemMoveHandler(SystemMoveHandler handler);

protected:
    // F1 is seen before any control of the window handles it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A press on the body (not on a control) drags the window.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnInitDialog();
    // The row's "Source Format" (with the chosen track and the chapter split) and "Output Format"
    // texts and its tooltip listing the sound tracks, from its entries.
    void ShowTracks(int row);
    void SetUpTaskList();
    void LoadSettings();
    void OnRestoreDefaultSettings();
    void OnAddFiles();
    void OnAddFolder();
    void OnDeleteFile();
    void OnDeleteAllFiles();
    void OnMovieClip();
    void OnConvert();
    // The output folder Convert writes into, after the checks that refuse a
    // start with a message; empty when refused.
    QString FolderToConvertInto();
    // Takes the settings of the controls for the conversion and stores them.
    void SaveOutputSettings(const QString& outputFolder);
    // Each row's picture and tooltip after the conversion, from the results
    // of its jobs (several for a row split into chapters).
    void ShowResults(const QVector<JobStatus>& results);
    void OnOutputFormat(int code);
    void OnBrowse();
    void OnOpenWebPage(int id);
    void OnAbout();
    void OnTryTamsel();
    void OnHelp();
    void OnTaskListContextMenu(const QPoint& globalPos);
    void OnSeveralAtOnce();
    // Checks the checkable Operation items of `menu` as the window's choices stand.
    void ShowSeveralAtOnce(QWidget* menu) const;
    void OnAddCoverPicture();
    void OnEvenLoudness();
    // The item's check, and whether it applies: a copied track keeps its sound.
    void ShowEvenLoudness(QWidget* menu) const;

    OutputSettings outputSettings; // the settings of the last Convert
    TaskList tasks;                // entry i belongs to row i
    QVector<int> jobRows;          // the row of each job of the last Convert
    CDriveInfo driveInfo;
    bool severalAtOnce = false;
    bool coverPicture = false; // "Add Cover Picture" is checked
    bool evenLoudness = false;
    // The user's sample-rate position while a format with a rate of its own
    // shows that rate instead.
    std::optional<int> keptSampleRate;

    // Where the window was grabbed, when the platform cannot move it itself.
    QPoint dragOffset;
    bool dragging = false;

    // Gives the menu bar the height its font needs (at least the designed
    // one), moving what lies below it down and the window's bottom with it.
    void FitMenuBar();
    int designedMenuHeight = 0;
    bool menuFitPending = false;
};
