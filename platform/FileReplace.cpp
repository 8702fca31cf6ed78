#include "platform/FileReplace.h"

#include "platform/Process.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closing can report a write that failed late (network file systems).
bool CloseChecked(CFileDescriptor& fd) {
    return ::close(fd.Release()) == 0;
}

// Runs a positioned read or write until `size` bytes are done; false on an
// error or when the file ends early.
template <typename Transfer> bool Whole(qsizetype size, Transfer transfer) {
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool WriteAt(int fd, QByteArrayView bytes, off_t offset) {
    return Whole(bytes.size(), [&](qsizetype done) {
        return ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), offset + off_t(done));
    });
}

bool ReadAt(int fd, QByteArray& bytes, qsizetype size) {
    bytes.resize(size);
    return Whole(size, [&](qsizetype done) {
        return ::pread(fd, bytes.data() + done, size_t(size - done), off_t(done));
    });
}

bool FolderRefusesNewFiles(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

enum class Outcome { Done, Failed, TryInPlace };

// The target with its symbolic links followed, so that a link keeps pointing
// at the settings rather than being replaced by a plain file. A link to a
// file that does not exist yet leads to that file's name.
QByteArray ResolvedTarget(const QString& fileName) {
    QByteArray path = QFile::encodeName(fileName);
    char resolved[PATH_MAX];
    for (int hop = 0; hop < 40; ++hop) {
        if (::realpath(path.constData(), resolved))
            return QByteArray(resolved);
        char link[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), link, sizeof link);
        if (length <= 0 || size_t(length) >= sizeof link)
            return path;
        const QByteArray next(link, length);
        const qsizetype slash = path.lastIndexOf('/');
        path = next.startsWith('/') || slash < 0 ? next : path.left(slash + 1) + next;
    }
    return path;
}

QByteArray FolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
}

Outcome ReplaceThroughNewFile(const QByteArray& target, const struct stat* old,
                              QByteArrayView content) {
    const QByteArray folder = FolderOf(target);
    const QByteArray base = target.mid(target.lastIndexOf('/') + 1);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + base + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return FolderRefusesNewFiles(errno) ? Outcome::TryInPlace : Outcome::Failed;
    }
    if (fd < 0)
        return Outcome::Failed;
    CFileDescriptor file(fd);
    const auto discard = [&](Outcome outcome) {
        ::unlink(temporary.constData());
        return outcome;
    };
    if (old) {
        // A file owned by someone else keeps its owner only when rewritten in place.
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0)
            return discard(Outcome::TryInPlace);
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            return discard(Outcome::Failed);
    }
    if (!WriteAt(fd, content, 0) || ::fsync(fd) != 0 || !CloseChecked(file))
        return discard(Outcome::Failed);
    if (::rename(temporary.constData(), target.constData()) != 0) {
        // A file that is a mount point of its own cannot be renamed over.
        const bool busy = errno == EBUSY || errno == EXDEV;
        return discard(busy ? Outcome::TryInPlace : Outcome::Failed);
    }
    // The rename itself reaches the disk with the folder.
    CFileDescriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.IsOpen())
        ::fsync(dir.Get());
    return Outcome::Done;
}

bool ReplaceInPlace(const QByteArray& target, QByteArrayView content) {
    CFileDescriptor file(::open(target.constData(), O_RDWR | O_CLOEXEC));
    struct stat info {};
    if (!file.IsOpen() || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    QByteArray old;
    if (!ReadAt(file.Get(), old, qsizetype(info.st_size)))
        return false;
    // Reserve the room first, so that a full disk fails before a byte changes.
    if (content.size() > old.size() &&
        ::fallocate(file.Get(), FALLOC_FL_KEEP_SIZE, 0, off_t(content.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    QByteArray check;
    const bool written =
        WriteAt(file.Get(), content, 0) && ::ftruncate(file.Get(), off_t(content.size())) == 0 &&
        ::fsync(file.Get()) == 0 && ReadAt(file.Get(), check, content.size()) && check == content;
    if (!written) {
        // The old bytes go back into blocks the file already holds; nothing
        // more can be done when even that fails.
        if (WriteAt(file.Get(), old, 0) && ::ftruncate(file.Get(), off_t(old.size())) == 0)
            ::fsync(file.Get());
        return false;
    }
    return CloseChecked(file);
}

} // namespace

bool ReplaceFileContents(const QString& fileName, QByteArrayView content) {
    if (fileName.isEmpty())
        return false;
    const QByteArray target = ResolvedTarget(fileName);
    struct stat info {};
    const bool exists = ::stat(target.constData(), &info) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && !S_ISREG(info.st_mode))
        return false;
    switch (ReplaceThroughNewFile(target, exists ? &info : nullptr, content)) {
    case Outcome::Done:
        return true;
    case Outcome::Failed:
        return false;
    case Outcome::TryInPlace:
        break;
    }
    return exists && ReplaceInPlace(target, content);
}

CFileChangeLock::CFileChangeLock(const QString& fileName) {
    if (fileName.isEmpty())
        return;
    // The folder, not the file: every change puts a new file in its place, so
    // a lock on the file would be left behind on the old one.
    CFileDescriptor folder(
        ::open(FolderOf(ResolvedTarget(fileName)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen())
        return;
    while (::flock(folder.Get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return;
    }
    held = std::move(folder);
}
