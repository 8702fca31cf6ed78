#pragma once
// The common file dialog: a filter string of "description|patterns|" pairs
// ended by "||", shown as name filters (the first one preselected). Tests
// install a responder that answers with the chosen paths, so no real dialog
// ever appears in a test.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Option bits keep the values the program was designed with.
constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002;
constexpr unsigned OFN_HIDEREADONLY = 0x0004;
constexpr unsigned OFN_ALLOWMULTISELECT = 0x0200;
constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool open = true; // false: a save dialog
    QString defaultExtension;
    QString fileName;
    unsigned flags = 0;
    QString filter;              // as the caller wrote it
    QStringList nameFilters;     // each type's text as the dialog shows it
    QList<QStringList> patterns; // the file patterns of each type
    QString selectedNameFilter;
};

// The chosen paths, in the dialog's order; an empty list is a cancelled dialog.
using FileDialogResponder = std::function<QStringList(const FileDialogRequest&)>;

class CFileDialog {
public:
    CFileDialog(bool openFileDialog, const QString& defaultExtension, const QString& fileName,
                unsigned flags, const QString& filter, QWidget* parent = nullptr);

    // IDOK when files were chosen, IDCANCEL otherwise.
    int DoModal();
    // The chosen files as full paths, in the order the dialog reports them.
    QStringList GetPathNames() const { return paths; }

private:
    FileDialogRequest request;
    QStringList paths;
};

class QFileDialog;

// Gives a dialog the request's mode, options, file name and types. Each type
// shows its text once, as written, and lists the files of its patterns.
void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request);

// Replaces the real dialog; an empty responder restores it. Returns the previous one.
FileDialogResponder SetFileDialogResponder(FileDialogResponder responder);
