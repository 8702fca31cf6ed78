#include "tasks/OstrelaDlg.h"

#include "app/ProgramFolder.h"
#include "app/SkinCrafter.h"
#include "clip/ClipDlg.h"
#include "convert/StatusDlg.h"
#include "platform/FileDialog.h"
#include "platform/WindowHandle.h"
#include "platform/MessageBox.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/WaitCursor.h"
#include "platform/DialogManager.h"
#include "res/Menus.h"
#include "res/Pictures.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "res/WebPages.h"
#include "tasks/DisplayText.h"
#include "tasks/FolderScan.h"
#include "tasks/Intake.h"
#include "tasks/Settings.h"
#include "tasks/TaskList.h"
#include "tasks/TaskTable.h"
#include "tasks/TaskTracks.h"
#include "ui/AboutBox.h"
#include "ui/FolderDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QWindow>
#include <iterator>
#include <memory>

namespace {

// The format radios in the order of their codes, from FormatMP3 on; the last
// stands for every format of the format list, from FormatFLAC on.
const int kFormatRadios[] = {IDC_TO_MP3, IDC_TO_WAV, IDC_TO_AC3, IDC_KEEP_ORIGINAL,
                             IDC_MORE_FORMATS};
constexpr int kFormatCount = static_cast<int>(std::size(kFormatRadios));

// The radio of a format code, as an index of kFormatRadios.
int FormatRadio(int code) {
    return std::min(code, int(FormatFLAC)) - 1;
}

// The format code of the first checked radio (the format list's choice for
// "More Formats"); FormatMP3 when none is.
int CheckedFormat(const QWidget* dlg) {
    for (int i = 0; i < kFormatCount; ++i) {
        if (!GetDlgItemAs<QRadioButton>(dlg, kFormatRadios[i])->isChecked())
            continue;
        if (kFormatRadios[i] != IDC_MORE_FORMATS)
            return i + 1;
        return FormatFLAC +
               std::max(0, GetDlgItemAs<QComboBox>(dlg, IDC_FORMAT_LIST)->currentIndex());
    }
    return FormatMP3;
}

// The "Source Format" text: the file's extension, the track the user chose
// and the chapters inside the clip when it is split ("MKV \u00b7 track 2",
// "MKV \u00b7 12 chapters").
QString SourceFormatText(const Task& task) {
    QString text = GetFileExtension(FixedText(task.record.sourcePath)).toUpper();
    if (task.tracks.chosenTrack >= 0)
        text += QStringLiteral(" \u00b7 track %1").arg(task.tracks.chosenTrack + 1);
    if (task.chapters.split) {
        const qsizetype n =
            ChaptersInClip(task.chapters.chapters, task.record.clipStart, task.record.clipLength)
                .size();
        if (n > 0)
            text += n == 1 ? QStringLiteral(" \u00b7 1 chapter")
                           : QStringLiteral(" \u00b7 %1 chapters").arg(n);
    }
    return text;
}

// A row's result from its jobs' results: the first failure, else a stop,
// else done when all are done; a row whose chapters were only partly
// converted shows as stopped.
JobStatus RowResult(const QVector<JobStatus>& jobs) {
    JobStatus row;
    int done = 0;
    for (const JobStatus& job : jobs) {
        if (job.result == JobResult::Failed)
            return job;
        if (job.result == JobResult::Stopped)
            row.result = JobResult::Stopped;
        done += job.result == JobResult::Done ? 1 : 0;
    }
    if (row.result != JobResult::Stopped && done > 0)
        row.result = done == jobs.size() ? JobResult::Done : JobResult::Stopped;
    return row;
}

// The row's tooltip: one line per sound track; empty when none is known.
QString TracksToolTip(const TaskTracks& tracks) {
    QStringList lines;
    for (int k = 0; k < tracks.tracks.size(); ++k)
        lines << DescribeSoundTrack(tracks.tracks[k], k);
    return lines.join(QLatin1Char('\n'));
}

// The source types the Add Files dialog offers: the designed ones, and the
// other containers the encoder reads, under "All supported media files" (the
// types a folder gives too) and as a type of their own.
QString MediaFilter() {
    return QStringLiteral("All supported media files|") + QLatin1String(kSupportedMediaPatterns) +
           QStringLiteral(
               "|AVI files (*.avi)|*.avi|MPEG files (*.mpeg; *.mpg)|*.mpg;*.mpeg|VCD files "
               "(*.dat)|*.dat|Windows Media Files(*.asf; *.wmv)|*.asf;*.wmv|QuickTime "
               "Files(*.mov;*.qt)|*.mov;*.qt|Flash Files(*.flv)|*.flv|MP4 / 3GP Files(*.mp4; "
               "*.3gp)|*.mp4;*.3gp|Other Video Files(*.mkv; *.webm; *.m4v; *.mov; *.ts; *.m2ts; "
               "*.mts; *.flv; *.ogv; *.3gp)|*.mkv;*.webm;*.m4v;*.mov;*.ts;*.m2ts;*.mts;*.flv;*.ogv;"
               "*.3gp|All Files (*.*)|*.*||");
}

// The output folder for the text of the path box, without the blanks around
// it: "~" stands for the home folder and any other relative path lies below
// it, so the encoder is always given an absolute local path, never an option
// or an address. Empty when the box holds nothing but blanks. A trailing "/"
// stays, so a folder typed (or proposed) that way gives the same output paths
// and stored text as before.
QString ResolveOutputFolder(QString typed) {
    typed = typed.trimmed();
    if (typed.isEmpty())
        return QString();
    if (typed.startsWith(QLatin1Char('~'))) {
        typed.remove(0, 1);
        while (typed.startsWith(QLatin1Char('/')))
            typed.remove(0, 1);
    }
    QString folder = QDir::cleanPath(AbsoluteIn(QDir::homePath(), typed));
    if (typed.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// A path for a message: a very long one is cut in the middle, so the box
// still fits the screen.
QString ShownPath(const QString& path) {
    constexpr qsizetype kHalf = 100;
    return path.size() <= 2 * kHalf
               ? path
               : path.left(kHalf) + QStringLiteral("\u2026") + path.right(kHalf);
}

// Why the output folder cannot take the sound files, Convert making only its
// last level; empty when it can. Said before anything is written or started,
// rather than as every task failing at the end.
QString OutputFolderProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (info.exists()) {
        if (!info.isDir())
            return QStringLiteral("a file of that name is in the way");
        return IsWritableFolder(folder) ? QString() : QStringLiteral("you may not write in it");
    }
    const QString parent = QFileInfo(QDir::cleanPath(folder)).path();
    const QFileInfo above(parent);
    if (!above.exists())
        return QStringLiteral("the folder %1 does not exist").arg(ShownPath(parent));
    if (!above.isDir())
        return QStringLiteral("%1 is a file, not a folder").arg(ShownPath(parent));
    if (!IsWritableFolder(parent))
        return QStringLiteral("you may not write in %1").arg(ShownPath(parent));
    return QString();
}

COstrelaDlg::SystemMoveHandler& MoveHandler() {
    static COstrelaDlg::SystemMoveHandler handler;
    return handler;
}

// The task list's drop handler: every accepted file goes through AddFile,
// and so do the videos of a dropped folder. Once the list is full, one
// message per drop is enough, and nothing more of the drop is read.
int AddDroppedFile(CFileDropListCtrl* list, const QString& path, unsigned* kind) {
    static const CFileDropListCtrl* refusedList = nullptr;
    static int refusedDrop = -1;
    auto* dlg = qobject_cast<COstrelaDlg*>(list->window());
    if (!dlg)
        return 0;
    const bool full = dlg->taskList->GetItemCount() >= TASK_TABLE_SIZE;
    if (full && list == refusedList && list->DropSerial() == refusedDrop)
        return 0;
    bool refused = full;
    if (*kind == CFileDropListCtrl::FolderPath)
        refused = !dlg->AddFolder(path);
    else
        dlg->AddFile(path);
    if (refused) {
        refusedList = list;
        refusedDrop = list->DropSerial();
    }
    return 0;
}

// One box for all the values of one action; the conversion goes on, as the
// settings only matter at the next start. The path is cut in its middle when
// it would make the box wider than a screen.
void WarnSettingsNotSaved(QWidget* owner, const QString& file) {
    constexpr qsizetype kKept = 80;
    QString shown = file;
    // Direction marks would show the name in another order than it has.
    shown.remove(QRegularExpression(QStringLiteral("[\\x{200E}\\x{200F}\\x{202A}-\\x{202E}"
                                                   "\\x{2066}-\\x{2069}]")));
    if (shown.size() > 2 * kKept + 1)
        shown = shown.left(kKept) + QChar(0x2026) + shown.right(kKept);
    MessageBox(owner, QStringLiteral("The settings could not be saved to %1.").arg(shown),
               QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
}

// What a checkable Operation item stores, written when it is used.
void StoreChoice(QWidget* owner, const StoredSettings& stored,
                 bool (StoredSettings::*write)(const QString&) const) {
    const QString file = SettingsFileToWrite();
    if (!(stored.*write)(file))
        WarnSettingsNotSaved(owner, file);
}
} // namespace

COstrelaDlg::COstrelaDlg(QWidget* parent) : QDialog(parent) {
    OnInitDialog();
}

COstrelaDlg::~COstrelaDlg() = default;

void COstrelaDlg::OnInitDialog() {
    menuBar = LoadMainMenuBar(this);
    BuildOptions options;
    options.topOffset = menuBar->sizeHint().height();
    designedMenuHeight = options.topOffset;
    options.factories[IDC_TASK_LIST] = [](QWidget* parent) {
        return new CFileDropListCtrl(parent);
    };
    BuildDialog(this, MainDialogTemplate(), options);
    menuBar->setGeometry(0, 0, width(), options.topOffset);

    taskList = GetDlgItemAs<CFileDropListCtrl>(this, IDC_TASK_LIST);
    sampleRateList = GetDlgItemAs<QComboBox>(this, IDC_SAMPLE_RATE);
    channelList = GetDlgItemAs<QComboBox>(this, IDC_CHANNEL);
    bitrateList = GetDlgItemAs<QComboBox>(this, IDC_AUDIO_BITRATE);
    convertButton = GetDlgItemAs<QPushButton>(this, IDC_CONVERT);
    formatList = GetDlgItemAs<QComboBox>(this, IDC_FORMAT_LIST);
    formatList->setCurrentIndex(0);
    // Choosing from the list chooses its radio too.
    connect(formatList, &QComboBox::activated, this,
            [this](int index) { OnOutputFormat(FormatFLAC + index); });

    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const int id = GetDlgCtrlID(button);
        if (id != IDC_STATIC)
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    connect(menuBar, &QMenuBar::triggered, this,
            [this](QAction* action) { OnCommand(CommandId(action)); });
    connect(taskList, &CListCtrl::rightClicked, this,
            [this](const QPoint& globalPos) { OnTaskListContextMenu(globalPos); });
    // A push button with the focus takes Enter; elsewhere Enter goes to " Add Files".
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
    qApp->installEventFilter(this);

    setWindowTitle(QStringLiteral("Ostrela"));
    setWindowIcon(LoadApplicationIcon());
    // An ordinary top-level window, so every window manager lets it be
    // minimised. With the skin it has no title bar (the skin draws its
    // caption, and the body drags it); without, the desktop's frame and title.
    if (ProgramSkin().IsActive())
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    else
        setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    SetUpTaskList();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    tasks.RemoveAll();
    LoadSettings();
}

void COstrelaDlg::SetUpTaskList() {
    taskList->InsertColumn(0, QStringLiteral("Title"), Qt::AlignLeft, 135);
    taskList->InsertColumn(1, QStringLiteral("Start"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(2, QStringLiteral("End"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(3, QStringLiteral("Source Format"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(4, QStringLiteral("Output Format"), Qt::AlignHCenter, 90);
    taskList->SetImageList(LoadTaskImageStrip(), TaskImageSize, TaskImageTransparent());

    // The button says what it does also where no skin draws it.
    convertButton->setText(QStringLiteral("Start"));
    ProgramSkin().AssignSkinElement(GetWindowHandle(convertButton), QStringLiteral("Start"), 0);

    CFileDropListCtrl::DropConfig drops;
    drops.flags = CFileDropListCtrl::AcceptFiles | CFileDropListCtrl::AcceptFolders |
                  CFileDropListCtrl::UseHandler;
    drops.dropHandler = &AddDroppedFile;
    taskList->SetDropConfig(drops);
}

bool COstrelaDlg::OnCommand(int id) {
    switch (id) {
    case IDC_ADD_FILES:
    case ID_OPERATION_ADD_FILES:
        OnAddFiles();
        return true;
    case IDC_DELETE_FILE:
    case ID_OPERATION_DELETE_FILE:
        OnDeleteFile();
        return true;
    case ID_OPERATION_DELETE_ALL:
        OnDeleteAllFiles();
        return true;
    case IDC_MOVIE_CLIP:
    case ID_OPERATION_MOVIE_CLIP:
        OnMovieClip();
        return true;
    case ID_OPERATION_SIMULTANEOUS:
        OnSeveralAtOnce();
        return true;
    case ID_OPERATION_ADD_COVER:
        OnAddCoverPicture();
        return true;
    case ID_OPERATION_EVEN_LOUDNESS:
        OnEvenLoudness();
        return true;
    case ID_OPERATION_ADD_FOLDER:
        OnAddFolder();
        return true;
    case IDC_CONVERT:
        OnConvert();
        return true;
    case ID_SYSTEM_RESTORE_DEFAULTS:
        OnRestoreDefaultSettings();
        return true;
    case ID_SYSTEM_EXIT:
        reject();
        return true;
    case IDC_TO_MP3:
        OnOutputFormat(1);
        return true;
    case IDC_TO_WAV:
        OnOutputFormat(2);
        return true;
    case IDC_TO_AC3:
        OnOutputFormat(3);
        return true;
    case IDC_KEEP_ORIGINAL:
        OnOutputFormat(FormatKeepOriginal);
        return true;
    case IDC_MORE_FORMATS:
        OnOutputFormat(FormatFLAC + std::max(0, formatList->currentIndex()));
        return true;
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case ID_SYSTEM_WEBSITE:
    case ID_WEB_PAGE_FIRST:
    case ID_WEB_PAGE_FIRST + 1:
    case ID_WEB_PAGE_FIRST + 2:
    case ID_WEB_PAGE_FIRST + 3:
    case ID_WEB_PAGE_FIRST + 4:
    case ID_WEB_PAGE_LAST:
        OnOpenWebPage(id);
        return true;
    case ID_SYSTEM_ABOUT:
        OnAbout();
        return true;
    case ID_TAMSEL_TRY:
        OnTryTamsel();
        return true;
    case ID_HELP_CONTENTS:
        OnHelp();
        return true;
    default:
        return false;
    }
}

bool COstrelaDlg::AppendTask(const QString& path, int seconds, QList<SoundTrack> tracks,
                             QList<Chapter> chapters) {
    const int n = taskList->GetItemCount();
    if (n != tasks.Count() || !FitsFixedText(path) || !FitsFixedText(GetTitle(path)))
        return false;
    Task task = MakeTask(path, seconds, std::move(tracks));
    task.chapters.chapters = std::move(chapters);
    if (!tasks.Add(task))
        return false;

    // A file name may carry direction marks; any name the table keeps shows whole.
    const int row =
        taskList->InsertItem(n, DisplayText(GetDisplayName(path), MAX_PATH), TaskImageVideoFile);
    taskList->SetItemText(row, 1, QStringLiteral("00:00:00"));
    taskList->SetItemText(row, 2, FormatTimeText(seconds));
    ShowTracks(row);
    taskList->SelectItem(row);
    return true;
}

void COstrelaDlg::ShowTracks(int row) {
    taskList->SetItemText(row, 3, SourceFormatText(tasks.At(row)));
    taskList->SetItemText(row, 4, GetTaskOutputExtension(row).toUpper());
    taskList->SetItemToolTip(row, DisplayToolTip(TracksToolTip(taskTracks[row])));
}

void COstrelaDlg::OnAddFiles() {
    CFileDialog dialog(true, QString(), QString(),
                       OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY |
                           OFN_OVERWRITEPROMPT,
                       MediaFilter(), this);
    if (dialog.DoModal() != IDOK)
        return;
    AddFiles(dialog.GetPathNames());
}

void COstrelaDlg::AddFiles(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    CWaitCursor wait;
    for (const QString& path : paths) {
        // A full list refuses every further file: one message is enough.
        const bool full = taskList->GetItemCount() >= TASK_TABLE_SIZE;
        AddFile(path);
        wait.Restore();
        if (full)
            break;
    }
}

void COstrelaDlg::OnAddFolder() {
    CFolderDialog dialog(QStringLiteral("Select the folder whose videos you want to add:"),
                         QString(), this, BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE);
    if (dialog.DoModal() == 1)
        AddFolder(dialog.GetFolderPath());
}

bool COstrelaDlg::AddFolder(const QString& folder) {
    CWaitCursor wait;
    FolderScan scan(folder);
    for (QString path = scan.Next(); !path.isEmpty(); path = scan.Next()) {
        // A full list refuses the next video with its message, and the rest
        // of the tree is not read.
        const bool full = taskList->GetItemCount() >= TASK_TABLE_SIZE;
        AddFile(path);
        wait.Restore();
        if (full)
            return false;
    }
    return true;
}

void COstrelaDlg::AddFile(QString path) {
    const SourceProblem pathProblem = CheckSourcePath(path);
    if (pathProblem == SourceProblem::Dvd) {
        MessageBox(nullptr,
                   QStringLiteral("You're trying to open a DVD (*.vob/*.ifo) file. Ostrela doesn't "
                                  "support DVD format.  You need Tamsel to do this."),
                   QStringLiteral("Information"), MB_OK);
        return;
    }
    // The table has room for 100 tasks and fixed-size text fields; nothing is
    // probed for a file that could not be kept.
    if (taskList->GetItemCount() >= TASK_TABLE_SIZE) {
        MessageBox(nullptr,
                   QStringLiteral("The task list is full. Ostrela converts at most 100 files at "
                                  "a time."),
                   QStringLiteral("Information"), MB_OK);
        return;
    }
    if (pathProblem == SourceProblem::PathTooLong) {
        MessageBox(nullptr,
                   QStringLiteral("The path of the file %1 is too long. Ostrela accepts paths of "
                                  "at most %2 bytes.")
                       .arg(DisplayText(path, MAX_PATH), QString::number(MAX_PATH - 1)),
                   QStringLiteral("Information"), MB_OK);
        return;
    }

    CWaitCursor wait;
    ProbedSource source = ProbeSource(path);
    if (source.problem == SourceProblem::Unreadable) {
        MessageBox(nullptr, QStringLiteral("Fail to open the file ") + DisplayText(path, MAX_PATH),
                   QStringLiteral("Information"), MB_OK);
        return;
    }
    // Said now rather than as a failed task at the end of the conversion.
    if (source.problem == SourceProblem::NoSound) {
        MessageBox(nullptr,
                   DisplayText(path, MAX_PATH) +
                       QStringLiteral(" has no sound track, so there is nothing to extract."),
                   QStringLiteral("Information"), MB_OK);
        return;
    }
    AppendTask(path, static_cast<int>(source.task.record.duration),
               std::move(source.task.tracks.tracks), std::move(source.task.chapters.chapters));
}

void COstrelaDlg::SetOutputFormatRadios(int code) {
    if (code < FormatMP3 || code > FormatVorbis)
        return;
    for (int i = 0; i < kFormatCount; ++i) {
        auto* radio = GetDlgItemAs<QRadioButton>(this, kFormatRadios[i]);
        // Auto-exclusive radios refuse to be unchecked directly.
        radio->setAutoExclusive(false);
        radio->setChecked(i == FormatRadio(code));
        radio->setAutoExclusive(true);
    }
    if (code >= FormatFLAC)
        formatList->setCurrentIndex(code - FormatFLAC);
    // Settings the format has no use for (a copied track has none) are
    // disabled, and keep their selections for the other formats.
    const OutputFormatInfo& info = OutputFormatOf(code);
    bitrateList->setEnabled(info.takesBitrate);
    channelList->setEnabled(info.takesSettings);
    sampleRateList->setEnabled(info.takesSettings && info.sampleRate == 0);
    if (info.sampleRate != 0 && !keptSampleRate) {
        keptSampleRate = sampleRateList->currentIndex();
        sampleRateList->setCurrentIndex(sampleRateList->findText(QString::number(info.sampleRate)));
    } else if (info.sampleRate == 0 && keptSampleRate) {
        sampleRateList->setCurrentIndex(*std::exchange(keptSampleRate, std::nullopt));
    }
}

QString COstrelaDlg::GetOutputExtension() const {
    return OutputExtensionOf(CheckedFormat(this));
}

QString COstrelaDlg::GetTaskOutputExtension(int row) const {
    if (row < 0 || row >= TASK_TABLE_SIZE)
        return GetOutputExtension();
    return TaskOutputExtension(CheckedFormat(this), taskTracks[row]);
}

QString COstrelaDlg::FindLargestDrive() {
    return ChooseLargestVolumeFolder(MountedVolumes(driveInfo), QDir::homePath());
}

void COstrelaDlg::LoadSettings() {
    const StoredSettings stored = StoredSettings::Read(SettingsFilesToRead());
    bitrateList->setCurrentIndex(stored.bitrateIndex);
    sampleRateList->setCurrentIndex(stored.sampleRateIndex);
    channelList->setCurrentIndex(stored.channelIndex);
    // After the lists: a format with a sample rate of its own keeps the stored one.
    SetOutputFormatRadios(stored.format);
    SetDlgItemText(this, IDC_OUTPUT_PATH,
                   stored.outputPath.isEmpty()
                       ? FindLargestDrive() + QLatin1String(kDefaultOutputFolderName)
                       : stored.outputPath);
    severalAtOnce = stored.simultaneous > 1;
    coverPicture = stored.coverPicture;
    ShowSeveralAtOnce(menuBar);
    evenLoudness = stored.evenLoudness;
    ShowEvenLoudness(menuBar);
}

int COstrelaDlg::SimultaneousEncoders() const {
    return severalAtOnce ? std::max(1, QThread::idealThreadCount()) : 1;
}

void COstrelaDlg::ShowSeveralAtOnce(QWidget* menu) const {
    if (auto* item =
            menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(ID_OPERATION_SIMULTANEOUS)))
        item->setChecked(severalAtOnce);
    if (auto* item = menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(ID_OPERATION_ADD_COVER)))
        item->setChecked(coverPicture);
}

void COstrelaDlg::OnAddCoverPicture() {
    coverPicture = !coverPicture;
    ShowSeveralAtOnce(menuBar);
    StoredSettings stored;
    stored.coverPicture = coverPicture;
    StoreChoice(this, stored, &StoredSettings::WriteCoverPicture);
}

void COstrelaDlg::OnSeveralAtOnce() {
    severalAtOnce = !severalAtOnce;
    ShowSeveralAtOnce(menuBar);
    StoredSettings stored;
    stored.simultaneous = SimultaneousEncoders();
    StoreChoice(this, stored, &StoredSettings::WriteSimultaneous);
}

void COstrelaDlg::ShowEvenLoudness(QWidget* menu) const {
    if (auto* item =
            menu->findChild<QAction*>(QStringLiteral("cmd%1").arg(ID_OPERATION_EVEN_LOUDNESS))) {
        item->setChecked(evenLoudness);
        item->setEnabled(CheckedFormat(this) != FormatKeepOriginal);
    }
}

void COstrelaDlg::OnEvenLoudness() {
    if (CheckedFormat(this) == FormatKeepOriginal)
        return;
    evenLoudness = !evenLoudness;
    ShowEvenLoudness(menuBar);
    StoredSettings stored;
    stored.evenLoudness = evenLoudness;
    StoreChoice(this, stored, &StoredSettings::WriteEvenLoudness);
}

void COstrelaDlg::OnRestoreDefaultSettings() {
    // The defaults (or an installed program's own file) appear at the next
    // start; the controls keep their values.
    DeleteFile(SettingsFileToWrite());
}

void COstrelaDlg::OnMovieClip() {
    if (taskList->GetNextSelectedItem(-1) < 0) {
        MessageBox(this, QStringLiteral("Please select a video from the list!"),
                   QStringLiteral("Information"), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const int row = taskList->GetNextSelectedItem(-1);
    if (row >= TASK_TABLE_SIZE)
        return;
    CClipDlg dialog(tasks.At(row), taskList->GetItemText(row, 0), this);
    if (dialog.DoModal() != IDOK)
        return;
    const TaskRecord& r = dialog.task.record;
    tasks.SetClip(row, r.clipStart, r.clipLength);
    tasks.SetTrack(row, dialog.task.tracks.chosenTrack);
    tasks.SetSplitChapters(row, dialog.task.chapters.split);
    taskList->SetItemText(row, 1, FormatTimeText(r.clipStart));
    taskList->SetItemText(row, 2, FormatTimeText(dialog.clipEnd));
    ShowTracks(row);
}

void COstrelaDlg::OnDeleteFile() {
    const int s = taskList->GetNextSelectedItem(-1);
    if (s < 0) {
        MessageBox(this, QStringLiteral("Please select a video from the list!"),
                   QStringLiteral("Information"), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const int n = taskList->GetItemCount();
    const QString question = QStringLiteral("Are you sure to delete the current item ") + '"' +
                             taskList->GetItemText(s, 0).toUpper() + '"' + QStringLiteral(" ?");
    if (MessageBox(this, question, QStringLiteral("Question"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    taskList->DeleteItem(s);
    tasks.Remove(s);
    if (n > 1)
        taskList->SelectItem(s);
}

void COstrelaDlg::OnDeleteAllFiles() {
    if (MessageBox(this, QStringLiteral("Are you sure to delete all the files?"),
                   QStringLiteral("Question"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    taskList->DeleteAllItems();
    tasks.RemoveAll();
}

void COstrelaDlg::OnConvert() {
    const QString outputFolder = FolderToConvertInto();
    if (outputFolder.isEmpty())
        return;
    SaveOutputSettings(outputFolder);
    CreateDirectory(outputSettings.outputFolder);

    ConversionSnapshot snapshot;
    snapshot.settings = outputSettings;
    snapshot.encoderPath = LocateEncoder();
    snapshot.simultaneous = SimultaneousEncoders();
    jobRows.clear();
    for (int i = 0; i < taskList->GetItemCount(); ++i) {
        const QString title = taskList->GetItemText(i, 0);
        for (const Task& task : SplitIntoChapters(tasks.At(i))) {
            // The conversion dialog names the chapter a job converts.
            snapshot.jobs.push_back(
                {task, task.part.number > 0 ? ChapterOutputTitle(title, task.part) : title});
            jobRows << i;
        }
    }
    // Every row starts afresh and then shows what became of its task.
    for (int i = 0; i < taskList->GetItemCount(); ++i) {
        taskList->SetItemImage(i, TaskImageVideoFile);
        taskList->SetItemToolTip(i, DisplayToolTip(TracksToolTip(taskTracks[i])));
    }
    CStatusDlg dlg(std::move(snapshot), this);
    connect(&dlg, &CStatusDlg::closing, this, &COstrelaDlg::ShowResults);
    dlg.exec();
}

QString COstrelaDlg::FolderToConvertInto() {
    if (taskList->GetItemCount() == 0) {
        MessageBox(this, QStringLiteral("No source file is ready! Please add a source file."),
                   QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
        return QString();
    }
    // The encoder refuses 22050 Hz for AC3, so every task would fail: say so
    // before anything is written or started.
    if (CheckedFormat(this) == FormatAC3 &&
        sampleRateList->currentText() == QLatin1String("22050")) {
        MessageBox(this,
                   QStringLiteral("AC3 does not support a sample rate of 22050 Hz. Please choose "
                                  "48000, 44100 or 32000 Hz."),
                   QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
        return QString();
    }

    const QString outputFolder = ResolveOutputFolder(GetDlgItemText(this, IDC_OUTPUT_PATH));
    if (outputFolder.isEmpty()) {
        MessageBox(this, QStringLiteral("Please choose the folder to save the output files in."),
                   QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
        return QString();
    }
    SetDlgItemText(this, IDC_OUTPUT_PATH, outputFolder);
    if (const QString problem = OutputFolderProblem(outputFolder); !problem.isEmpty()) {
        MessageBox(this,
                   QStringLiteral("The output folder %1 cannot be used: %2.")
                       .arg(ShownPath(outputFolder), problem),
                   QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
        return QString();
    }
    return outputFolder;
}

void COstrelaDlg::SaveOutputSettings(const QString& outputFolder) {
    outputSettings.format = CheckedFormat(this);
    outputSettings.bitrate = bitrateList->currentText().toInt();
    outputSettings.sampleRate = sampleRateList->currentText().toInt();
    outputSettings.channels = channelList->currentIndex() + 1;
    outputSettings.outputFolder = outputFolder;
    outputSettings.coverPicture = coverPicture;
    outputSettings.loudnessTarget =
        evenLoudness && outputSettings.format != FormatKeepOriginal ? kDefaultLoudnessTarget : 0;

    StoredSettings stored;
    stored.format = outputSettings.format;
    stored.bitrateIndex = bitrateList->currentIndex();
    stored.sampleRateIndex = keptSampleRate.value_or(sampleRateList->currentIndex());
    stored.channelIndex = channelList->currentIndex();
    stored.outputPath = outputFolder;
    const QString file = SettingsFileToWrite();
    if (!stored.WriteOutput(file))
        WarnSettingsNotSaved(this, file);
}

void COstrelaDlg::ShowResults(const QVector<JobStatus>& jobResults) {
    QVector<QVector<JobStatus>> rowJobs(taskList->GetItemCount());
    for (int job = 0; job < jobResults.size() && job < jobRows.size(); ++job)
        if (jobRows[job] < rowJobs.size())
            rowJobs[jobRows[job]] << jobResults[job];
    QVector<JobStatus> results;
    for (const QVector<JobStatus>& jobs : rowJobs)
        results << RowResult(jobs);
    for (int i = 0; i < results.size(); ++i) {
        switch (results[i].result) {
        case JobResult::Done:
            taskList->SetItemImage(i, TaskImageDone);
            break;
        case JobResult::Failed:
            taskList->SetItemImage(i, TaskImageFailed);
            {
                // The reason first; the row's sound tracks stay listed below it.
                QString tip = QStringLiteral("Could not be converted: ") + results[i].reason;
                const QString tracks = TracksToolTip(taskTracks[i]);
                if (!tracks.isEmpty())
                    tip += QLatin1Char('\n') + tracks;
                taskList->SetItemToolTip(i, DisplayToolTip(tip));
            }
            break;
        case JobResult::Stopped: {
            taskList->SetItemImage(i, TaskImageStopped);
            QString tip = QStringLiteral("Stopped before it was finished.");
            if (const QString tracks = TracksToolTip(taskTracks[i]); !tracks.isEmpty())
                tip += QLatin1Char('\n') + tracks;
            taskList->SetItemToolTip(i, tip);
            break;
        }
        default:
            break;
        }
    }
}

void COstrelaDlg::OnOutputFormat(int code) {
    SetOutputFormatRadios(code);
    ShowEvenLoudness(menuBar);
    for (int row = 0; row < taskList->GetItemCount(); ++row)
        taskList->SetItemText(row, 4, GetTaskOutputExtension(row).toUpper());
}

void COstrelaDlg::OnBrowse() {
    CFolderDialog dialog(QStringLiteral("Select the folder you want to save output files to:"),
                         QString(), this, BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE);
    if (dialog.DoModal() == 1)
        SetDlgItemText(this, IDC_OUTPUT_PATH, dialog.GetFolderPath());
}

void COstrelaDlg::OnOpenWebPage(int id) {
    ShellExecute(this, QStringLiteral("open"), WebPageForCommand(id), QString(), QString(),
                 SW_SHOW);
}

void COstrelaDlg::OnAbout() {
    CAboutBox box(this);
    box.exec();
}

void COstrelaDlg::OnTryTamsel() {
    StartProgram(GetProgramFolder() + QStringLiteral("Ostrela Varnel.exe"), SW_SHOWNORMAL);
}

void COstrelaDlg::OnHelp() {
    // Without a CHM viewer nothing opens: name the package that brings one.
    if (!ShellExecute(this, QStringLiteral("open"), GetProgramFolder() + QStringLiteral("help.chm"),
                      QString(), QString(), SW_SHOW))
        MessageBox(this,
                   QStringLiteral("The help cannot be opened: no viewer for CHM files is "
                                  "installed. Please install the package xchm."),
                   QStringLiteral("WARNING"), MB_ICONEXCLAMATION | MB_OK);
}

void COstrelaDlg::OnTaskListContextMenu(const QPoint& globalPos) {
    // Loaded for this one pop-up and destroyed after it.
    const std::unique_ptr<QMenu> menu(LoadOperationMenu(this));
    ShowSeveralAtOnce(menu.get());
    ShowEvenLoudness(menu.get());
    if (QAction* chosen = menu->exec(globalPos))
        OnCommand(CommandId(chosen));
}

COstrelaDlg::SystemMoveHandler COstrelaDlg::SetSystemMoveHandler(SystemMoveHandler handler) {
    return std::exchange(MoveHandler(), std::move(handler));
}

void COstrelaDlg::FitMenuBar() {
    const int needed = qMax(designedMenuHeight, menuBar->sizeHint().height());
    const int delta = needed - menuBar->height();
    menuBar->resize(width(), needed);
    if (delta == 0)
        return;
    const int below = menuBar->y() + menuBar->height() - delta;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != menuBar && !w->isWindow() && w->y() >= below)
            w->move(w->x(), w->y() + delta);
    setFixedSize(width(), height() + delta);
}

bool COstrelaDlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A larger font needs a taller menu bar: the controls below make room
    // rather than the menus hiding behind the bar's overflow mark.
    if (watched == menuBar && !menuFitPending &&
        (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::Show)) {
        menuFitPending = true;
        QTimer::singleShot(0, this, [this] {
            menuFitPending = false;
            FitMenuBar();
        });
    }
    if (watched == this && type == QEvent::Resize && menuBar->width() != width())
        menuBar->resize(width(), menuBar->height());
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        // An unhandled key climbs from the focus widget to its parents, passing
        // here each time: help opens for the first receiver only, and only for
        // this window's controls. The key then goes on as usual.
        QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
        if (watched == first && first->window() == this)
            OnHelp();
    }
    return QDialog::eventFilter(watched, event);
}

void COstrelaDlg::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // Only presses on the body arrive here: labels and frames let them
    // through, controls keep theirs.
    event->accept();
    QWindow* window = windowHandle();
    const bool moving =
        window && (MoveHandler() ? MoveHandler()(window) : window->startSystemMove());
    if (!moving) {
        // The platform cannot move it: follow the mouse ourselves.
        dragging = true;
        dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void COstrelaDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset);
    QDialog::mouseMoveEvent(event);
}

void COstrelaDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging = false;
    QDialog::mouseReleaseEvent(event);
}
