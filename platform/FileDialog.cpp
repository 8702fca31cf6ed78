#include "platform/FileDialog.h"

#include "platform/MessageBox.h"

#include <QFileDialog>

namespace {
FileDialogResponder& Responder() {
    static FileDialogResponder responder;
    return responder;
}

// "AVI files|*.avi;*.AVI|All|*.*||" gives the types "AVI files" with *.avi and
// *.AVI, and "All" with *.*.
void ParseFilter(const QString& filter, FileDialogRequest& request) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty())
            break; // "||" ends the list
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!p.trimmed().isEmpty())
                patterns << p.trimmed();
        request.nameFilters << description;
        request.patterns << patterns;
    }
}
} // namespace

FileDialogResponder SetFileDialogResponder(FileDialogResponder responder) {
    return std::exchange(Responder(), std::move(responder));
}

CFileDialog::CFileDialog(bool openFileDialog, const QString& defaultExtension,
                         const QString& fileName, unsigned flags, const QString& filter,
                         QWidget* parent) {
    request.owner = parent;
    request.open = openFileDialog;
    request.defaultExtension = defaultExtension;
    request.fileName = fileName;
    request.flags = flags;
    request.filter = filter;
    ParseFilter(filter, request);
    request.selectedNameFilter = request.nameFilters.value(0);
}

void SetUpFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (request.open) {
        const bool multi = request.flags & OFN_ALLOWMULTISELECT;
        if (request.flags & OFN_FILEMUSTEXIST)
            dialog.setFileMode(multi ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
    } else if (!(request.flags & OFN_OVERWRITEPROMPT)) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (request.nameFilters.isEmpty())
        return;
    // The dialog takes a type's patterns from the parentheses that end its
    // name and, with the details hidden, shows the name without them.
    QStringList filters;
    for (qsizetype i = 0; i < request.nameFilters.size(); ++i)
        filters << request.nameFilters[i] + QStringLiteral(" (") +
                       request.patterns.value(i).join(QLatin1Char(' ')) + QLatin1Char(')');
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(request.nameFilters.indexOf(request.selectedNameFilter)));
}

int CFileDialog::DoModal() {
    if (Responder()) {
        paths = Responder()(request);
        return paths.isEmpty() ? IDCANCEL : IDOK;
    }

    QFileDialog dialog(request.owner);
    SetUpFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return IDCANCEL;
    paths = dialog.selectedFiles();
    return paths.isEmpty() ? IDCANCEL : IDOK;
}
