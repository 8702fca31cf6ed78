#include "platform/Shortcut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

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
    return LocalFilePath(QUrl(url));
}

} // namespace

QString LocalFilePath(const QUrl& url) {
    if (!url.isLocalFile())
        return QString();
    const QString path = url.toLocalFile();
    // Only a leading "/" makes a path absolute: "file::clip.avi" gives ":clip.avi",
    // which Qt would take for one of its resources.
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return QString();
    return path;
}

QString ResolveShortcut(const QString& path) {
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
