#include "platform/ComponentRegistry.h"

#include "platform/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>

#include <dlfcn.h>

namespace {

QMutex& RegistryMutex() {
    static QMutex mutex;
    return mutex;
}

QString& RegistryOverride() {
    static QString path;
    return path;
}

struct Entry {
    QString className;
    QString library;
};

// Class names are single-line words without '='; paths only need to be one line.
bool UsableClassName(const QString& name) {
    return !name.trimmed().isEmpty() && !name.contains('=') && !name.contains('\n') &&
           !name.contains('\r');
}

// False when the file exists but cannot be read: rewriting it from nothing
// would drop every other class.
bool ReadEntries(const QString& file, QList<Entry>& entries) {
    entries.clear();
    QFile f(file);
    if (!QFileInfo::exists(file))
        return true;
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return false;
    const QStringList lines = QString::fromUtf8(data).split('\n');
    for (QString line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        entries.append({line.left(eq).trimmed(), line.mid(eq + 1)});
    }
    return true;
}

bool WriteEntries(const QString& file, const QList<Entry>& entries) {
    QByteArray text = "# Ostrela components: class=library\n";
    for (const Entry& e : entries)
        text += (e.className + '=' + e.library + '\n').toUtf8();
    // Replaced whole, so a second program starting at the same moment never
    // reads half a file and a full disk keeps the old one.
    return ReplaceFileContents(file, text);
}

// Earlier versions kept the registry in a folder of its own, "ostrela" in
// lower case: its classes count until the new file is written.
QString RegistryFileToRead(const QString& file) {
    if (!RegistryOverride().isEmpty() || QFileInfo::exists(file))
        return file;
    const QString old = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/ostrela/components.ini");
    return QFileInfo::exists(old) ? old : file;
}

qsizetype IndexOf(const QList<Entry>& entries, const QString& className) {
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].className.compare(className.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

QString ComponentRegistryPath() {
    QMutexLocker lock(&RegistryMutex());
    if (!RegistryOverride().isEmpty())
        return RegistryOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ostrela/components.ini");
}

void SetComponentRegistryPathForTesting(const QString& path) {
    QMutexLocker lock(&RegistryMutex());
    RegistryOverride() = path;
}

bool RegisterComponentClass(const QString& className, const QString& libraryPath) {
    if (!UsableClassName(className) || libraryPath.isEmpty() || libraryPath.contains('\n') ||
        libraryPath.contains('\r'))
        return false;
    const QString file = ComponentRegistryPath();
    QMutexLocker lock(&RegistryMutex());
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    // Two programs registering at once would otherwise lose one's class.
    const CFileChangeLock fileLock(file);
    QList<Entry> entries;
    if (!ReadEntries(RegistryFileToRead(file), entries))
        return false;
    const qsizetype at = IndexOf(entries, className);
    if (at >= 0) {
        // Registration runs on every start: leave the file alone when nothing changes.
        if (entries[at].library == libraryPath)
            return true;
        entries[at].library = libraryPath;
    } else {
        entries.append({className.trimmed(), libraryPath});
    }
    return WriteEntries(file, entries);
}

QString FindComponentLibrary(const QString& className) {
    if (!UsableClassName(className))
        return {};
    const QString file = ComponentRegistryPath();
    QMutexLocker lock(&RegistryMutex());
    QList<Entry> entries;
    ReadEntries(RegistryFileToRead(file), entries);
    const qsizetype at = IndexOf(entries, className);
    return at < 0 ? QString() : entries[at].library;
}

QString LibraryPathOf(const void* address) {
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}
