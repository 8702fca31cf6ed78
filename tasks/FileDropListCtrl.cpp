#include "tasks/FileDropListCtrl.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

namespace {

// The absolute local path a file URL names, or empty: a relative URL
// (file:clip.avi) names no particular file, and an encoded NUL would cut the
// path short when it reaches the file system.
QString LocalPath(const QUrl& url) {
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    if (!QDir::isAbsolutePath(path) || path.contains(QChar(0)))
        return QString();
    return path;
}

// The local files a drag carries, in the order the drag lists them.
QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (const QString path = LocalPath(url); !path.isEmpty())
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

// A .desktop file's string value with its escapes (\s \n \t \r \\) undone.
QString UnescapeDesktopValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar c = value[++i];
        if (c == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else if (c == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (c == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (c == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + c;
    }
    return out;
}

// The local target of a freedesktop link file, or empty.
QString DesktopLinkTarget(const QString& path) {
    // A link file is a few lines; anything much larger is not one.
    constexpr qint64 kMaxDesktopFileSize = 64 * 1024;
    QFile file(path);
    if (file.size() > kMaxDesktopFileSize || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inEntry = false;
    QString type;
    QString url;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = UnescapeDesktopValue(line.mid(eq + 1).trimmed());
        // The first of duplicate keys counts.
        if (key == QLatin1String("Type") && type.isNull())
            type = value;
        else if (key == QLatin1String("URL") && url.isNull())
            url = value;
    }
    if (type != QLatin1String("Link") || url.isEmpty())
        return QString();
    if (url.startsWith(QLatin1Char('/')))
        return url.contains(QChar(0)) ? QString() : url;
    return LocalPath(QUrl(url));
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

QString CFileDropListCtrl::ResolveShortcut(const QString& path) {
    if (path.isEmpty())
        return QString();
    QFileInfo info(path);
    if (info.isSymLink()) {
        // Follow a chain of links to the file at its end; a loop gives nothing.
        constexpr int kMaxLinks = 40;
        for (int i = 0; i < kMaxLinks && info.isSymLink(); ++i)
            info.setFile(info.symLinkTarget());
        return info.isSymLink() ? QString() : info.filePath();
    }
    if (info.isFile() && info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
        return DesktopLinkTarget(path);
    return QString();
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
