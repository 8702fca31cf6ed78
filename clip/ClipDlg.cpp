#include "clip/ClipDlg.h"

#include "clip/RangeSlider.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "platform/DialogManager.h"
#include "res/Resource.h"
#include "res/Templates.h"
#include "tasks/DisplayText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <algorithm>

CClipDlg::CClipDlg(const Task& given, const QString& rowTitle, QWidget* parent)
    : QDialog(parent), task(given), title(rowTitle) {
    // One track leaves nothing to choose: the dialog stays as designed.
    const bool choosesTrack = task.tracks.tracks.size() > 1;
    const bool hasChapters = !task.chapters.chapters.isEmpty();
    BuildDialog(this, hasChapters    ? ClipDialogWithChaptersTemplate(choosesTrack)
                      : choosesTrack ? ClipDialogWithTrackTemplate()
                                     : ClipDialogTemplate());
    rangeSlider = GetDlgItemAs<CRangeSlider>(this, IDC_RANGE_SLIDER);
    Q_ASSERT(rangeSlider);
    rangeSlider->SetValueText([](double s) { return FormatTimeText(s); });
    if (choosesTrack) {
        trackList = GetDlgItemAs<QComboBox>(this, IDC_SOUND_TRACK);
        connect(trackList, &QComboBox::activated, this, [this] { trackChosen = true; });
    }
    if (hasChapters)
        splitChapters = GetDlgItemAs<QCheckBox>(this, IDC_SPLIT_CHAPTERS);
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
    const TaskRecord& r = task.record;
    // These may correct the stored clip and notify; the texts below then
    // show the record's own values.
    rangeSlider->SetLimits(0.0, r.duration);
    rangeSlider->SetSelection(r.clipStart, r.clipStart + r.clipLength);
    startText = FormatTimeText(r.clipStart);
    endText = FormatTimeText(r.clipStart + r.clipLength);
    lengthText = FormatTimeText(r.clipLength);
    SetDlgItemText(this, IDC_TITLE_LINE,
                   QStringLiteral("Movie Title:%1       Duration:  %2")
                       .arg(title, FormatTimeText(r.duration)));
    if (splitChapters) {
        QList<double> starts;
        for (const Chapter& c : task.chapters.chapters)
            starts << c.start;
        rangeSlider->SetMarks(starts);
        splitChapters->setChecked(task.chapters.split);
    }
    if (trackList) {
        trackList->clear();
        for (int k = 0; k < task.tracks.tracks.size(); ++k)
            trackList->addItem(DisplayText(DescribeSoundTrack(task.tracks.tracks[k], k)));
        trackList->setCurrentIndex(task.tracks.TrackToShow());
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
    double s = 0, e = 0;
    rangeSlider->GetSelection(s, e);
    // Shift with the arrow keys can leave the end below the start; the
    // encoder needs a clip that starts at the earlier point and has a length
    // that is not negative.
    const double start = std::min(s, e);
    clipEnd = std::max(s, e);
    task.record.clipStart = start;
    task.record.clipLength = clipEnd - start;
    task.record.clipSet = 1;
    // Only the user's own pick is a choice: an untouched list leaves the
    // command line as it was.
    if (trackList && trackChosen && trackList->currentIndex() >= 0)
        task.tracks.chosenTrack = trackList->currentIndex();
    if (splitChapters)
        task.chapters.split = splitChapters->isChecked();
    UpdateData(true);
    QDialog::accept();
}
