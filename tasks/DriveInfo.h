#pragma once
// Measuring the space of a volume, and choosing the volume with the most free
// space for the proposed output folder.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class CDriveInfo {
public:
    CDriveInfo() = default;
    virtual ~CDriveInfo();

    // Stores the root path and measures its volume at once; a volume that
    // cannot be measured leaves the counters 0.
    void SetDrive(const QString& rootPath);

    QString rootPath;
    uint64_t usedBytes = 0;
    uint64_t totalBytes = 0;
    uint64_t totalFreeBytes = 0;
};

// What the choice of a volume needs to know about one mounted volume.
struct VolumeDescription {
    QString rootPath;          // the mount point
    QByteArray fileSystemType; // e.g. "ext4", "iso9660", "tmpfs"
    bool ready = true;
    bool readOnly = false;
    bool rootWritable = false; // the user may create files in the root
    bool holdsHome = false;    // the user's home folder lies on this volume
    uint64_t totalFreeBytes = 0;
};

// True for file systems that are no place for a user's files: kernel and
// memory file systems, optical discs, compressed images.
bool IsUnsuitableFileSystem(const QByteArray& fileSystemType);

// The folder proposed on the volume with the most free space: the home folder
// on its own volume, a writable root elsewhere. Volumes that are not ready,
// read-only, unsuitable or offer no folder are skipped; of equal volumes the
// first in the given order wins. The home folder when no volume has free
// space. The result ends with "/".
QString ChooseLargestVolumeFolder(const std::vector<VolumeDescription>& volumes,
                                  const QString& homeFolder);

// The mounted volumes in the order of their root paths, each measured with
// `meter`.
std::vector<VolumeDescription> MountedVolumes(CDriveInfo& meter);
