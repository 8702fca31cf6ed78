#include "convert/OutputGuard.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameMax = 255; // bytes of one path component
constexpr int kAttempts = 100;

bool Occupied(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Renames without replacing anything already at `to`. File systems without
// that mode get a check followed by a plain rename.
bool RenameNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (Occupied(to)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

// ".<name>.<random>.ostrela-kept", with the name shortened when the whole
// would not fit in one path component.
QString HiddenName(const QString& name) {
    const QString tag =
        QStringLiteral(".%1.ostrela-kept")
            .arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    QString base = name;
    while (!base.isEmpty() && QFile::encodeName("." + base + tag).size() > kNameMax)
        base.chop(1);
    return "." + base + tag;
}

} // namespace

COutputGuard::~COutputGuard() {
    if (Holds())
        Restore();
}

bool COutputGuard::SetAside(const QString& path) {
    if (Holds())
        Restore();
    const QFileInfo info(path);
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st;
    if (::lstat(encoded.constData(), &st) != 0 || S_ISDIR(st.st_mode)) {
        // Nothing to keep; a folder under the output name is never touched.
        outputPath = path;
        return true;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QString hidden = info.dir().filePath(HiddenName(info.fileName()));
        if (RenameNoReplace(encoded, QFile::encodeName(hidden))) {
            outputPath = path;
            keptPath = hidden;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return false;
}

bool COutputGuard::HasOutput() const {
    const QFileInfo output(outputPath);
    return Holds() && output.isFile() && !output.isSymLink() && output.size() > 0;
}

void COutputGuard::Commit() {
    if (!keptPath.isEmpty())
        QFile::remove(keptPath);
    outputPath.clear();
    keptPath.clear();
}

void COutputGuard::Restore() {
    if (!Holds())
        return;
    const QByteArray encoded = QFile::encodeName(outputPath);
    if (!keptPath.isEmpty()) {
        // One step replaces the unfinished output with the user's file. Should
        // that fail, the file stays under its hidden name rather than be lost.
        ::rename(QFile::encodeName(keptPath).constData(), encoded.constData());
    } else {
        struct stat st;
        if (::lstat(encoded.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
            ::unlink(encoded.constData());
    }
    outputPath.clear();
    keptPath.clear();
}
