#include "clip/ClipDlg.h"

#include "app/Ostrela.h"
#include "clip/RangeSlider.h"
#include "platform/ListCtrl.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/OstrelaDlg.h"
#include "tasks/TaskTable.h"

#include <QPushButton>
#include <algorithm>

namespace {
// The task list row the dialog works on, which is also the task's entry in
// the table: the main window's first selected row, or -1.
int SelectedTaskRow() {
    COstrelaDlg* main = AfxGetMainDlg();
    if (!main || !main->taskList)
        return -1;
    const int row = main->taskList->GetNextSelectedItem(-1);
    return row >= 0 && row < TASK_TABLE_SIZE ? row : -1;
}
} // namespace

CClipDlg::CClipDlg(QWidget* parent) : QDialog(parent ? parent : AfxGetMainDlg()) {
    BuildDialog(this, ClipDialogTemplate());
    rangeSlider = GetDlgItemAs<CRangeSlider>(this, IDC_RANGE_SLIDER);
    Q_ASSERT(rangeSlider);
    if (auto* ok = GetDlgItemAs<QPushButton>(this, IDC_OK))
        connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    if (auto* cancel = GetDlgItemAs<QPushButton>(this, IDC_CANCEL))
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CClipDlg::~CClipDlg() = default;

int CClipDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CClipDlg::UpdateData(bool saveAndValidate) {
    struct {
        int id;
        QString& text;
    } const exchange[] = {
        {IDC_START_TEXT, startText}, {IDC_END_TEXT, endText}, {IDC_LENGTH_TEXT, lengthText}};
    for (const auto& e : exchange) {
        if (saveAndValidate)
            e.text = GetDlgItemText(this, e.id);
        else
            SetDlgItemText(this, e.id, e.text);
    }
}

bool CClipDlg::OnInitDialog() {
    const int row = SelectedTaskRow();
    if (row >= 0) {
        const TaskRecord& r = taskTable[row];
        // These may correct the stored clip and notify; the texts below then
        // show the record's own values.
        rangeSlider->SetLimits(0.0, r.duration);
        rangeSlider->SetSelection(r.clipStart, r.clipStart + r.clipLength);
        startText = FormatTimeText(r.clipStart);
        endText = FormatTimeText(r.clipStart + r.clipLength);
        lengthText = FormatTimeText(r.clipLength);
        const QString title = AfxGetMainDlg()->taskList->GetItemText(row, 0);
        SetDlgItemText(this, IDC_TITLE_LINE,
                       QStringLiteral("Movie Title:%1       Duration:  %2")
                           .arg(title, FormatTimeText(r.duration)));
    }
    UpdateData(false);
    if (QWidget* ok = GetDlgItem(this, IDC_OK))
        ok->setFocus();
    return true;
}

bool CClipDlg::event(QEvent* event) {
    if (event->type() == RANGE_CHANGED) {
        OnRangeChanged();
        static_cast<CWindowMessage*>(event)->result = 0;
        return true;
    }
    return QDialog::event(event);
}

void CClipDlg::OnRangeChanged() {
    double s = 0, e = 0;
    rangeSlider->GetSelection(s, e);
    startText = FormatTimeText(s);
    endText = FormatTimeText(e);
    lengthText = FormatTimeText((0.5 - s) + e);
    UpdateData(false);
}

void CClipDlg::OnOK() {
    const int row = SelectedTaskRow();
    double s = 0, e = 0;
    rangeSlider->GetSelection(s, e);
    if (row >= 0) {
        // Shift with the arrow keys can leave the end below the start; the
        // encoder needs a clip that starts at the earlier point and has a
        // length that is not negative.
        const double start = std::min(s, e);
        const double end = std::max(s, e);
        TaskRecord& r = taskTable[row];
        r.clipStart = start;
        r.clipLength = end - start;
        r.clipSet = 1;
        CListCtrl* list = AfxGetMainDlg()->taskList;
        list->SetItemText(row, 1, FormatTimeText(start));
        list->SetItemText(row, 2, FormatTimeText(end));
    }
    UpdateData(true);
    QDialog::accept();
}
