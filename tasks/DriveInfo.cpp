#include "tasks/DriveInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <array>

CDriveInfo::~CDriveInfo() = default;

void CDriveInfo::SetDrive(const QString& path) {
    rootPath = path;
    usedBytes = totalBytes = totalFreeBytes = 0;
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return;
    const qint64 total = storage.bytesTotal();
    const qint64 free = storage.bytesFree();
    if (total < 0 || free < 0)
        return;
    totalBytes = uint64_t(total);
    totalFreeBytes = uint64_t(free);
    usedBytes = totalBytes >= totalFreeBytes ? totalBytes - totalFreeBytes : 0;
}

bool IsUnsuitableFileSystem(const QByteArray& type) {
    static constexpr std::array<const char*, 30> kUnsuitable = {
        "autofs",     "binfmt_misc", "bpf",        "cgroup",      "cgroup2",         "configfs",
        "debugfs",    "devpts",      "devtmpfs",   "efivarfs",    "fusectl",         "hugetlbfs",
        "iso9660",    "mqueue",      "nsfs",       "proc",        "pstore",          "ramfs",
        "rpc_pipefs", "securityfs",  "selinuxfs",  "squashfs",    "sysfs",           "tmpfs",
        "tracefs",    "udf",         "fuse.lxcfs", "fuse.portal", "fuse.gvfsd-fuse", "erofs"};
    return std::any_of(kUnsuitable.begin(), kUnsuitable.end(),
                       [&](const char* name) { return type == name; });
}

namespace {

QString WithSlash(const QString& path) {
    return path.endsWith('/') ? path : path + '/';
}

} // namespace

QString ChooseLargestVolumeFolder(const std::vector<VolumeDescription>& volumes,
                                  const QString& homeFolder) {
    double best = 0.0;
    QString proposed;
    for (const VolumeDescription& volume : volumes) {
        if (!volume.ready || volume.readOnly || IsUnsuitableFileSystem(volume.fileSystemType))
            continue;
        QString folder;
        if (volume.holdsHome)
            folder = homeFolder;
        else if (volume.rootWritable)
            folder = volume.rootPath;
        else
            continue;
        const double gibibytes = double(volume.totalFreeBytes) / double(1ULL << 30);
        if (gibibytes > best) {
            best = gibibytes;
            proposed = folder;
        }
    }
    return WithSlash(proposed.isEmpty() ? homeFolder : proposed);
}

std::vector<VolumeDescription> MountedVolumes(CDriveInfo& meter) {
    const QString homeRoot = QStorageInfo(QDir::homePath()).rootPath();
    std::vector<VolumeDescription> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        VolumeDescription volume;
        volume.rootPath = storage.rootPath();
        volume.fileSystemType = storage.fileSystemType();
        volume.ready = storage.isValid() && storage.isReady();
        volume.readOnly = storage.isReadOnly();
        volume.holdsHome = volume.rootPath == homeRoot;
        if (volume.ready && !volume.readOnly && !IsUnsuitableFileSystem(volume.fileSystemType)) {
            volume.rootWritable = QFileInfo(volume.rootPath).isWritable();
            meter.SetDrive(volume.rootPath);
            volume.totalFreeBytes = meter.totalFreeBytes;
        }
        volumes.push_back(volume);
    }
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const VolumeDescription& a, const VolumeDescription& b) {
                         return a.rootPath < b.rootPath;
                     });
    return volumes;
}
