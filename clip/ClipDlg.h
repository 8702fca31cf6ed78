#pragma once
// The clip dialog: limits one task to a clip between a start and an end point
// inside the source's playing time, and for a file with several sound tracks
// lets the user choose the one to convert. The range slider spans the whole
// playing time; the start, end and length of its selection follow every
// movement as time text. The caller hands in the task and, after OK, takes
// the stored clip and track back from `task`; Cancel changes nothing. For a
// file with chapters the slider marks each chapter's start and a check box
// splits the clip into one file per chapter.

#include "tasks/TaskList.h"

#include <QDialog>
#include <QString>

class CRangeSlider;
class QCheckBox;
class QComboBox;

class CClipDlg : public QDialog {
    Q_OBJECT
public:
    // `title` is the text of the task's row (leading blank included).
    CClipDlg(const Task& task, const QString& title, QWidget* parent);
    ~CClipDlg() override;

    // Initialises the dialog and runs it modally; IDOK or IDCANCEL.
    int DoModal();

    // Puts the task's playing time and clip on the slider and the texts, and
    // its tracks in the list. Runs once, before the dialog is shown.
    bool OnInitDialog();

    // The task; OK stores the clip (in order, clipSet 1), the chapter choice
    // and, when the user picked an item of the track list, that track here.
    Task task;
    QString title;
    double clipEnd = 0; // the end OK stored, for the row's "End" column

    CRangeSlider* rangeSlider = nullptr; // control 1013
    QComboBox* trackList = nullptr;      // control 1011, null with fewer than two tracks
    QCheckBox* splitChapters = nullptr;  // control 1073, null without chapters
    QString startText;                   // static 1014
    QString endText;                     // static 1015
    QString lengthText;                  // static 1018

protected:
    bool event(QEvent* event) override;

private:
    bool trackChosen = false; // the user picked an item of the track list

    // Moves the texts into the controls (false) or back into the members (true).
    void UpdateData(bool saveAndValidate);
    // Follows the slider: start, end and the length rounded half up.
    void OnRangeChanged();
    // Stores the selection, in order, and the chosen track in `task`.
    void OnOK();
};
