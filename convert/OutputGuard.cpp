#include "convert/OutputGuard.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameMax = 255; // bytes of one path component
constexpr int kAttempts = 100;
constexpr qsizetype kRecordMax = 4096; // a record: two numbers and one name

const QByteArray kJob = ".ostrela-job";
const QByteArray kKept = ".ostrela-kept";
const QByteArray kPart = ".ostrela-part";

QByteArray ReadSmallFile(int folder, const QByteArray& name) {
    CFileDescriptor fd(::openat(folder, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    QByteArray bytes;
    if (!fd.IsOpen())
        return bytes;
    char buffer[1024];
    ssize_t got;
    while (bytes.size() <= kRecordMax &&
           ((got = ::read(fd.Get(), buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)))
        bytes.append(buffer, got > 0 ? got : 0);
    return bytes;
}

// The start time of a process in clock ticks since boot (field 22 of its
// stat line), 0 when it does not run or cannot be read.
quint64 StartTime(qint64 pid) {
    const QByteArray stat =
        ReadSmallFile(AT_FDCWD, QByteArray("/proc/") + QByteArray::number(pid) + "/stat");
    const qsizetype close = stat.lastIndexOf(')'); // the command name may hold anything
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields[19].toULongLong() : 0; // fields from the third on
}

QByteArray BootId() {
    static const QByteArray id =
        ReadSmallFile(AT_FDCWD, "/proc/sys/kernel/random/boot_id").replace('-', "").left(8);
    return id;
}

// "<pid>-<start>-<boot>" of this process, or empty when /proc cannot tell:
// then no record is taken for a dead program's.
QByteArray OwnOwner() {
    static const QByteArray owner = [] {
        const qint64 pid = ::getpid();
        const quint64 start = StartTime(pid);
        if (start == 0 || BootId().size() != 8)
            return QByteArray();
        return QByteArray::number(pid, 16) + '-' + QByteArray::number(start, 16) + '-' + BootId();
    }();
    return owner;
}

struct Hidden {
    QByteArray base; // ".<name>.<owner>-<random>", the name shortened to fit
    QByteArray owner;
    QByteArray kind; // kJob, kKept or kPart
};

// Splits a hidden name made here; false for any other name.
bool ParseHidden(const QByteArray& entry, Hidden& hidden) {
    static const QRegularExpression tail(QStringLiteral(
        "\\.([0-9a-f]+-[0-9a-f]+-[0-9a-f]{8})-[0-9a-f]+(\\.ostrela-(job|kept|part))$"));
    if (!entry.startsWith('.') || !entry.contains(".ostrela-"))
        return false;
    const QRegularExpressionMatch match = tail.match(QString::fromLatin1(entry));
    if (!match.hasMatch())
        return false;
    hidden.owner = match.captured(1).toLatin1();
    hidden.kind = match.captured(2).toLatin1();
    hidden.base = entry.chopped(hidden.kind.size());
    return true;
}

// Whether the program that made a hidden name still runs. Unsure means yes.
bool OwnerRuns(const QByteArray& owner) {
    const QList<QByteArray> parts = owner.split('-');
    if (OwnOwner().isEmpty() || parts.size() != 3)
        return true;
    if (parts[2] != BootId())
        return false; // made before the machine last started
    bool ok = false;
    const qint64 pid = parts[0].toLongLong(&ok, 16);
    return ok && StartTime(pid) == parts[1].toULongLong(nullptr, 16);
}

struct Record {
    dev_t device = 0;
    ino_t inode = 0;
    QByteArray name;
};

QByteArray RecordBytes(dev_t device, ino_t inode, const QByteArray& name) {
    return QByteArray::number(quint64(device)) + ' ' + QByteArray::number(quint64(inode)) + '\n' +
           name;
}

bool ReadRecord(int folder, const QByteArray& recordName, Record& record) {
    const QByteArray bytes = ReadSmallFile(folder, recordName);
    const qsizetype newline = bytes.indexOf('\n');
    if (newline < 0)
        return false;
    const QList<QByteArray> numbers = bytes.left(newline).split(' ');
    record.name = bytes.mid(newline + 1);
    bool deviceOk = false, inodeOk = false;
    if (numbers.size() == 2) {
        record.device = static_cast<dev_t>(numbers[0].toULongLong(&deviceOk));
        record.inode = static_cast<ino_t>(numbers[1].toULongLong(&inodeOk));
    }
    return deviceOk && inodeOk && !record.name.isEmpty() && !record.name.contains('/') &&
           record.name != "." && record.name != "..";
}

bool IsFile(int folder, const QByteArray& name, dev_t device, ino_t inode, off_t* size = nullptr) {
    struct stat st;
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_dev != device || st.st_ino != inode)
        return false;
    if (size)
        *size = st.st_size;
    return true;
}

// Renames within the folder without replacing anything already there. File
// systems without that mode get a check followed by a plain rename.
bool RenameNoReplace(int folder, const QByteArray& from, const QByteArray& to) {
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    struct stat st;
    if (::fstatat(folder, to.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(folder, from.constData(), folder, to.constData()) == 0;
}

// ".<name>.<owner>-<random>", with the name shortened (whole characters)
// when the longest hidden name would not fit in one path component.
QByteArray HiddenBase(const QString& name) {
    const QByteArray tag = '.' + OwnOwner() + '-' +
                           QByteArray::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16)
                               .rightJustified(6, '0');
    QString base = name;
    while (!base.isEmpty() &&
           1 + QFile::encodeName(base).size() + tag.size() + kKept.size() > kNameMax)
        base.chop(1);
    return '.' + QFile::encodeName(base) + tag;
}

// A regular file whose permissions do not let this user write it. Root's
// override does not count for a file root owns: its own bits say read-only.
bool WriteProtected(int folder, const QByteArray& name, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return false;
    if (st.st_uid == ::geteuid())
        return !(st.st_mode & S_IWUSR);
    return ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0;
}

// Lists a folder's entries as raw bytes.
template <typename Visit> void ForEachEntry(int folder, Visit visit) {
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0)
        return;
    DIR* dir = ::fdopendir(listed);
    if (!dir) {
        ::close(listed);
        return;
    }
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir))
        names << QByteArray(entry->d_name);
    ::closedir(dir);
    for (const QByteArray& entry : names)
        visit(entry);
}

CFileDescriptor OpenFolder(const QString& folder) {
    return CFileDescriptor(
        ::open(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(),
               O_PATH | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

void OutputGuard::RecoverFolder(const QString& folderPath) {
    const CFileDescriptor folder = OpenFolder(folderPath);
    if (!folder.IsOpen())
        return;
    const int fd = folder.Get();
    ForEachEntry(fd, [fd](const QByteArray& entry) {
        Hidden hidden;
        if (!ParseHidden(entry, hidden) || hidden.kind == kKept || OwnerRuns(hidden.owner))
            return;
        if (hidden.kind == kPart) {
            // Made before its record: still empty, and nothing else knows it.
            struct stat st;
            if (::fstatat(fd, entry.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode) && st.st_size == 0 &&
                ::fstatat(fd, (hidden.base + kJob).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                ::unlinkat(fd, entry.constData(), 0);
            return;
        }
        Record record;
        if (!ReadRecord(fd, entry, record))
            return;
        // The output the dead task left, whether it had taken its name or not.
        for (const QByteArray& output : {record.name, hidden.base + kPart})
            if (IsFile(fd, output, record.device, record.inode))
                ::unlinkat(fd, output.constData(), 0);
        const QByteArray kept = hidden.base + kKept;
        struct stat st;
        if (::fstatat(fd, kept.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !RenameNoReplace(fd, kept, record.name))
            return; // the place is taken: the record stays for a later try
        ::unlinkat(fd, entry.constData(), 0);
    });
}

bool OutputGuard::IsWrittenByRunningTask(const QString& path) {
    const QFileInfo info(path);
    const CFileDescriptor folder = OpenFolder(info.path());
    const QByteArray name = QFile::encodeName(info.fileName());
    struct stat st;
    if (!folder.IsOpen() ||
        ::fstatat(folder.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    bool written = false;
    const int fd = folder.Get();
    ForEachEntry(fd, [&](const QByteArray& entry) {
        Hidden hidden;
        Record record;
        if (!written && ParseHidden(entry, hidden) && hidden.kind == kJob &&
            ReadRecord(fd, entry, record) && record.name == name && record.device == st.st_dev &&
            record.inode == st.st_ino && OwnerRuns(hidden.owner))
            written = true;
    });
    return written;
}

OutputGuard::~OutputGuard() {
    if (Holds())
        Restore();
}

void OutputGuard::Clear() {
    outputPath.clear();
    folder.Reset();
    name.clear();
    keptName.clear();
    recordName.clear();
    device = 0;
    inode = 0;
}

OutputGuard::SetAsideResult OutputGuard::SetAside(const QString& path) {
    if (Holds())
        Restore();
    setAsideError = 0;
    const QFileInfo info(path);
    CFileDescriptor dir = OpenFolder(info.path());
    const QByteArray encoded = QFile::encodeName(info.fileName());
    if (!dir.IsOpen() || encoded.isEmpty())
        return Fail(dir.IsOpen() ? 0 : errno);
    const int fd = dir.Get();
    struct stat st;
    const bool occupied = ::fstatat(fd, encoded.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (occupied && S_ISDIR(st.st_mode)) {
        // A folder under the output name is never touched.
        outputPath = path;
        folder = std::move(dir);
        name = encoded;
        return SetAsideResult::Ready;
    }
    if (occupied && WriteProtected(fd, encoded, st))
        return SetAsideResult::WriteProtected;

    // The task's own output first, under a hidden name, then its record, then
    // the user's file aside, and last the output under its name: a program
    // that dies at any step leaves what the next conversion can put right.
    QByteArray base;
    CFileDescriptor part;
    for (int attempt = 0; attempt < kAttempts && !part.IsOpen(); ++attempt) {
        base = HiddenBase(info.fileName());
        part.Reset(::openat(fd, (base + kPart).constData(),
                            O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!part.IsOpen() && errno != EEXIST)
            return Fail(errno);
    }
    struct stat own;
    if (!part.IsOpen() || ::fstat(part.Get(), &own) != 0) {
        setAsideError = part.IsOpen() ? errno : EEXIST;
        if (part.IsOpen())
            ::unlinkat(fd, (base + kPart).constData(), 0);
        return SetAsideResult::Failed;
    }
    part.Reset();
    const QByteArray record = base + kJob;
    const QByteArray bytes = RecordBytes(own.st_dev, own.st_ino, encoded);
    CFileDescriptor recordFile(::openat(
        fd, record.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
    const bool recorded =
        recordFile.IsOpen() && WriteAll(recordFile.Get(), bytes.constData(), size_t(bytes.size()));
    if (!recorded)
        setAsideError = errno;
    recordFile.Reset();
    const QByteArray kept = base + kKept;
    const bool setAside = recorded && (!occupied || RenameNoReplace(fd, encoded, kept));
    if (recorded && !setAside)
        setAsideError = errno;
    const bool named = setAside && RenameNoReplace(fd, base + kPart, encoded);
    if (setAside && !named)
        setAsideError = errno;
    if (named) {
        outputPath = path;
        folder = std::move(dir);
        name = encoded;
        keptName = occupied ? kept : QByteArray();
        recordName = record;
        device = own.st_dev;
        inode = own.st_ino;
        return SetAsideResult::Ready;
    }
    // Undone in the reverse order; a user's file that cannot return keeps
    // its record, for the next conversion after this program.
    ::unlinkat(fd, (base + kPart).constData(), 0);
    if (setAside && occupied && !RenameNoReplace(fd, kept, encoded))
        return SetAsideResult::Failed;
    ::unlinkat(fd, record.constData(), 0);
    return SetAsideResult::Failed;
}

OutputGuard::SetAsideResult OutputGuard::Fail(int error) {
    setAsideError = error;
    return SetAsideResult::Failed;
}

bool OutputGuard::HasOutput() const {
    off_t size = 0;
    return Holds() && inode != 0 &&
           IsFile(AT_FDCWD, QFile::encodeName(outputPath), device, inode, &size) && size > 0;
}

void OutputGuard::Commit() {
    if (!keptName.isEmpty())
        ::unlinkat(folder.Get(), keptName.constData(), 0);
    if (!recordName.isEmpty())
        ::unlinkat(folder.Get(), recordName.constData(), 0);
    Clear();
}

QString OutputGuard::Restore() {
    if (!Holds())
        return QString();
    const int fd = folder.Get();
    if (inode != 0 && IsFile(fd, name, device, inode))
        ::unlinkat(fd, name.constData(), 0);
    QString stays;
    if (!keptName.isEmpty() && !RenameNoReplace(fd, keptName, name))
        stays = KeptPath();
    else if (!recordName.isEmpty())
        ::unlinkat(fd, recordName.constData(), 0);
    Clear();
    return stays;
}

QString OutputGuard::KeptPath() const {
    return keptName.isEmpty() ? QString() : FolderPath() + '/' + QFile::decodeName(keptName);
}

QString OutputGuard::FolderPath() const {
    char target[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folder.Get());
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length > 0 && length < ssize_t(sizeof target) && target[0] == '/')
        return QFile::decodeName(QByteArray(target, length));
    return QFileInfo(outputPath).absolutePath();
}
