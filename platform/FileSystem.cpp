#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {
QString& ModuleOverride() {
    static QString path;
    return path;
}

QString& ReadOnlyOverride() {
    static QString folder;
    return folder;
}
} // namespace

bool FitsMaxPath(const QString& text) {
    return text.toUtf8().size() < MAX_PATH;
}

QString GetModuleFileName() {
    if (!ModuleOverride().isEmpty())
        return ModuleOverride();
    return QCoreApplication::applicationFilePath();
}

void SetModuleFileNameForTesting(const QString& path) {
    ModuleOverride() = path;
}

QString GetTempFolder() {
    QString folder = QDir::tempPath();
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    // A dangling link names an entry too, as a directory search would find it.
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool IsPrivateFile(const QString& path) {
    struct stat st;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && !(st.st_mode & (S_IWGRP | S_IWOTH));
}

bool IsWritableFolder(const QString& folder) {
    if (folder.isEmpty() ||
        (!ReadOnlyOverride().isEmpty() && QDir::cleanPath(folder) == ReadOnlyOverride()))
        return false;
    return QFileInfo(folder).isDir() &&
           ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

void SetReadOnlyFolderForTesting(const QString& folder) {
    ReadOnlyOverride() = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

bool CreateDirectory(const QString& path) {
    if (path.isEmpty())
        return false;
    return QDir().mkdir(path);
}

QString AbsoluteIn(const QString& folder, const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return path;
    return folder.endsWith(QLatin1Char('/')) ? folder + path : folder + QLatin1Char('/') + path;
}

bool DeleteFile(const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    return QFile::remove(path);
}
