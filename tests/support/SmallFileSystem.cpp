#include "SmallFileSystem.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testing_support {

namespace {

const char* const kFiller = "filler";

// Once per process: mounts made afterwards stay invisible to the rest of the machine.
QString EnterPrivateMounts() {
    static const QString failure = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace of its own: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("mounts cannot be made private: ") + std::strerror(errno);
        return QString();
    }();
    return failure;
}

} // namespace

SmallFileSystem::SmallFileSystem(int bytes) {
    reason = dir.isValid() ? EnterPrivateMounts() : QStringLiteral("no temporary folder");
    if (!reason.isEmpty())
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0,
                options.constData()) != 0) {
        reason = QStringLiteral("cannot mount a tmpfs: ") + std::strerror(errno);
        return;
    }
    mounted = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted)
        ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
}

bool SmallFileSystem::Fill() {
    const int fd = ::open(QFile::encodeName(FilePath(kFiller)).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    for (int size = block.size(); size > 0; size /= 2)
        while (::write(fd, block.constData(), size_t(size)) >= 0) {
        }
    const int error = errno; // why the last, one-byte write failed
    ::close(fd);
    return error == ENOSPC;
}

void SmallFileSystem::Free() {
    QFile::remove(FilePath(kFiller));
}

bool RunInProcesses(int count, const std::function<bool(int)>& action) {
    std::vector<pid_t> children;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(action(i) ? 0 : 1);
        if (child < 0)
            ok = false;
        else
            children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

} // namespace testing_support
