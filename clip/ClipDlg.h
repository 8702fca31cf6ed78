#pragma once
// The clip dialog: limits the task of the selected task-list row to a clip
// between a start and an end point inside the source's playing time. The
// range slider spans the whole playing time; the start, end and length of its
// selection follow every movement as time text. OK stores the clip in the
// task's entry and in the row's "Start" and "End" columns; Cancel stores
// nothing.

#include <QDialog>
#include <QString>

class CRangeSlider;

class CClipDlg : public QDialog {
    Q_OBJECT
public:
    // Without an owner the dialog belongs to the application's main window.
    explicit CClipDlg(QWidget* parent = nullptr);
    ~CClipDlg() override;

    // Initialises the dialog and runs it modally; IDOK or IDCANCEL.
    int DoModal();

    // Puts the selected task's playing time and clip on the slider and the
    // texts. Runs once, before the dialog is shown.
    bool OnInitDialog();

    CRangeSlider* rangeSlider = nullptr; // control 1013
    QString startText;                   // static 1014
    QString endText;                     // static 1015
    QString lengthText;                  // static 1018

protected:
    bool event(QEvent* event) override;

private:
    // Moves the texts into the controls (false) or back into the members (true).
    void UpdateData(bool saveAndValidate);
    // Follows the slider: start, end and the length rounded half up.
    void OnRangeChanged();
    // Stores the selection, in order, in the task's entry and its row.
    void OnOK();
};
