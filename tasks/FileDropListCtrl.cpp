#include "tasks/FileDropListCtrl.h"

#include "platform/Shortcut.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

namespace {

// The local files a drag carries, in the order the drag lists them.
QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (const QString path = LocalFilePath(url); !path.isEmpty())
            paths << path;
    return paths;
}

// Takes a drag that carries local files, always as a copy, and gives its
// files; a drag without any is ignored.
QStringList AcceptAsCopy(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return paths;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return paths;
}

} // namespace

CFileDropListCtrl::CFileDropListCtrl(QWidget* parent) : CListCtrl(parent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

bool CFileDropListCtrl::SetDropConfig(const DropConfig& config) {
    if ((config.flags & UseHandler) && !config.dropHandler)
        return false;
    flags = config.flags;
    extension = config.extension;
    dropHandler = config.dropHandler;
    return true;
}

bool CFileDropListCtrl::AcceptDroppedPath(const QString& path, unsigned* kind) const {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    if ((flags & AcceptFolders) && S_ISDIR(st.st_mode)) {
        *kind = FolderPath;
        return true;
    }
    if ((flags & AcceptFiles) && S_ISREG(st.st_mode)) {
        *kind = FilePath;
        if (!(flags & FilterByExtension))
            return true;
        // The extension runs from the last full stop of the file name, the
        // full stop included; a name without one has none.
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString found = dot < 0 ? QString() : name.mid(dot);
        return found.compare(extension, Qt::CaseInsensitive) == 0;
    }
    return false;
}

int CFileDropListCtrl::InsertDroppedPath(const QString& path) {
    if (!(flags & AllowDuplicates) && FindItem(path) >= 0)
        return -1;
    return InsertItem(0, path);
}

void CFileDropListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    AcceptAsCopy(event);
}

void CFileDropListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    AcceptAsCopy(event);
}

void CFileDropListCtrl::dropEvent(QDropEvent* event) {
    const QStringList paths = AcceptAsCopy(event);
    if (paths.isEmpty())
        return;
    ++dropSerial;
    for (QString path : paths) {
        const QString target = ResolveShortcut(path);
        if (!target.isEmpty())
            path = target;
        unsigned kind = 0;
        if (!AcceptDroppedPath(path, &kind))
            continue;
        if (flags & UseHandler) {
            if (dropHandler)
                dropHandler(this, path, &kind);
        } else {
            InsertDroppedPath(path);
        }
    }
}
