#include "tasks/DriveInfo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A volume with `freeGiB` of free space; flags: w the root is writable, h it
// holds the home folder, r read-only, n not ready.
VolumeDescription Volume(const char* root, double freeGiB, const char* type = "ext4",
                         const char* flags = "w") {
    VolumeDescription v;
    v.rootPath = QString::fromUtf8(root);
    v.fileSystemType = type;
    v.totalFreeBytes = static_cast<uint64_t>(freeGiB * (1ULL << 30));
    const QByteArray f(flags);
    v.rootWritable = f.contains('w');
    v.holdsHome = f.contains('h');
    v.readOnly = f.contains('r');
    v.ready = !f.contains('n');
    return v;
}

TEST(ChooseLargestVolumeFolder, MostFreeSpaceOfTheSuitableVolumesWins) {
    const std::pair<std::vector<VolumeDescription>, QString> cases[] = {
        {{Volume("/", 10), Volume("/media/usb", 50), Volume("/srv", 20)}, "/media/usb/"},
        {{Volume("/b", 7), Volume("/a", 7)}, "/b/"}, // ties go to the first
        {{Volume("/a", 1), Volume("/b", 1 + 1.0 / (1 << 18))}, "/b/"},
        {{Volume("/", 10), Volume("/home", 30, "ext4", "h")}, "/home/user/"},
        {{Volume("/", 90, "ext4", ""), Volume("/media/usb", 2)}, "/media/usb/"},
        {{Volume("/media/card", 80, "ext4", "wn"), Volume("/mnt/ro", 70, "ext4", "whr"),
          Volume("/media/dvd", 60, "iso9660"), Volume("/dev/shm", 50, "tmpfs"),
          Volume("/proc", 50, "proc"), Volume("/srv", 1, "xfs")},
         "/srv/"},
        {{Volume("/", 0)}, "/home/user/"}, // nothing with free space: the home folder
    };
    for (const auto& [volumes, folder] : cases)
        EXPECT_EQ(ChooseLargestVolumeFolder(volumes, "/home/user"), folder) << folder.toStdString();
}

// Ties go to the first volume, so the mounted volumes must keep their order between starts.
TEST(CDriveInfo, MeasuresTheVolumeOfAFolderNothingOfAMissingOneAndListsVolumesInOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CDriveInfo info;
    info.SetDrive(dir.path());
    EXPECT_GT(info.totalFreeBytes, 0u);
    EXPECT_LE(info.totalFreeBytes, info.totalBytes);
    EXPECT_EQ(info.usedBytes, info.totalBytes - info.totalFreeBytes);
    info.SetDrive(dir.filePath("no/such/folder"));
    EXPECT_EQ(info.totalBytes, 0u);
    EXPECT_EQ(info.totalFreeBytes, 0u);
    EXPECT_EQ(info.usedBytes, 0u);
    const std::vector<VolumeDescription> volumes = MountedVolumes(info);
    ASSERT_FALSE(volumes.empty());
    for (size_t i = 1; i < volumes.size(); ++i)
        EXPECT_LE(volumes[i - 1].rootPath, volumes[i].rootPath);
}

} // namespace
