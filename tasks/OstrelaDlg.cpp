#include "tasks/OstrelaDlg.h"

#include "app/Ostrela.h"
#include "platform/ListCtrl.h"
#include "platform/WindowHandle.h"
#include "platform/MessageBox.h"
#include "res/DialogTemplate.h"
#include "res/Menus.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/TaskTable.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace {
// Every row shows this picture of the task list's image strip.
constexpr int kRowImage = 2;

const int kFormatRadios[] = {IDC_TO_MP3, IDC_TO_WAV, IDC_TO_AC3};
} // namespace

COstrelaDlg::COstrelaDlg(QWidget* parent) : QDialog(parent) {
    OnInitDialog();
}

COstrelaDlg::~COstrelaDlg() = default;

void COstrelaDlg::OnInitDialog() {
    menuBar = LoadMainMenuBar(this);
    BuildOptions options;
    options.topOffset = menuBar->sizeHint().height();
    options.factories[IDC_TASK_LIST] = [](QWidget* parent) { return new CListCtrl(parent); };
    BuildDialog(this, MainDialogTemplate(), options);
    menuBar->setGeometry(0, 0, width(), options.topOffset);

    taskList = GetDlgItemAs<CListCtrl>(this, IDC_TASK_LIST);
    sampleRateList = GetDlgItemAs<QComboBox>(this, IDC_SAMPLE_RATE);
    channelList = GetDlgItemAs<QComboBox>(this, IDC_CHANNEL);
    bitrateList = GetDlgItemAs<QComboBox>(this, IDC_AUDIO_BITRATE);
    convertButton = GetDlgItemAs<QPushButton>(this, IDC_CONVERT);

    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        const int id = GetDlgCtrlID(button);
        if (id != IDC_STATIC)
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    connect(menuBar, &QMenuBar::triggered, this,
            [this](QAction* action) { OnCommand(CommandId(action)); });

    setWindowTitle(QStringLiteral("Ostrela"));
    // No title bar: the window is moved by dragging its body.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);

    SetUpTaskList();

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    ClearTaskTable();
}

void COstrelaDlg::SetUpTaskList() {
    taskList->InsertColumn(0, QStringLiteral("Title"), Qt::AlignLeft, 135);
    taskList->InsertColumn(1, QStringLiteral("Start"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(2, QStringLiteral("End"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(3, QStringLiteral("Source Format"), Qt::AlignHCenter, 90);
    taskList->InsertColumn(4, QStringLiteral("Output Format"), Qt::AlignHCenter, 90);

    theApp.skin.AssignSkinElement(GetWindowHandle(convertButton), QStringLiteral("Start"), 0);
}

bool COstrelaDlg::OnCommand(int id) {
    switch (id) {
    case IDC_DELETE_FILE:
    case ID_OPERATION_DELETE_FILE:
        OnDeleteFile();
        return true;
    case ID_OPERATION_DELETE_ALL:
        OnDeleteAllFiles();
        return true;
    case ID_SYSTEM_EXIT:
        reject();
        return true;
    default:
        return false;
    }
}

bool COstrelaDlg::AppendTask(const QString& path, int seconds) {
    const int n = taskList->GetItemCount();
    if (n >= TASK_TABLE_SIZE || !FitsFixedText(path) || !FitsFixedText(GetTitle(path)))
        return false;
    TaskRecord& r = taskTable[n];
    r.clipStart = 0;
    r.duration = r.clipLength = seconds;
    r.reserved = 0;
    SetFixedText(r.sourcePath, path);
    SetFixedText(r.title, GetTitle(path));

    const int row = taskList->InsertItem(n, GetDisplayName(path), kRowImage);
    taskList->SetItemText(row, 1, QStringLiteral("00:00:00"));
    taskList->SetItemText(row, 2, FormatTimeText(seconds));
    taskList->SetItemText(row, 3, GetFileExtension(path).toUpper());
    taskList->SetItemText(row, 4, GetOutputExtension().toUpper());
    taskList->SelectItem(row);
    return true;
}

void COstrelaDlg::SetOutputFormatRadios(int code) {
    if (code < 1 || code > 3)
        return;
    for (int i = 0; i < 3; ++i) {
        auto* radio = GetDlgItemAs<QRadioButton>(this, kFormatRadios[i]);
        // Auto-exclusive radios refuse to be unchecked directly.
        radio->setAutoExclusive(false);
        radio->setChecked(i + 1 == code);
        radio->setAutoExclusive(true);
    }
}

QString COstrelaDlg::GetOutputExtension() const {
    static const char* const kExtensions[] = {"mp3", "wav", "ac3"};
    for (int i = 0; i < 3; ++i)
        if (GetDlgItemAs<QRadioButton>(this, kFormatRadios[i])->isChecked())
            return QString::fromLatin1(kExtensions[i]);
    return QStringLiteral("mp3");
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
    for (int i = s + 1; i < n; ++i)
        taskTable[i - 1] = taskTable[i];
    if (n > 1)
        taskList->SelectItem(s);
}

void COstrelaDlg::OnDeleteAllFiles() {
    if (MessageBox(this, QStringLiteral("Are you sure to delete all the files?"),
                   QStringLiteral("Question"), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    taskList->DeleteAllItems();
    ClearTaskTable();
}
