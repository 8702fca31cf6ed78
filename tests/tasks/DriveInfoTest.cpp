#include "tasks/DriveInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr uint64_t GiB = 1ULL << 30;

VolumeDescription Volume(const char* root, uint64_t freeBytes, const char* type = "ext4") {
    VolumeDescription v;
    v.rootPath = QString::fromUtf8(root);
    v.fileSystemType = type;
    v.rootWritable = true;
    v.totalFreeBytes = freeBytes;
    return v;
}

const QString kHome = QStringLiteral("/home/user");

// The choice -------------------------------------------------------------------

TEST(ChooseLargestVolumeFolder, MostFreeSpaceWinsAndEndsWithSlash) {
    const auto folder = ChooseLargestVolumeFolder(
        {Volume("/", 10 * GiB), Volume("/media/usb", 50 * GiB), Volume("/srv", 20 * GiB)}, kHome);
    EXPECT_EQ(folder, "/media/usb/");
}

TEST(ChooseLargestVolumeFolder, TiesGoToTheFirst) {
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/a", 7 * GiB), Volume("/b", 7 * GiB)}, kHome),
              "/a/");
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/b", 7 * GiB), Volume("/a", 7 * GiB)}, kHome),
              "/b/");
}

TEST(ChooseLargestVolumeFolder, HomeFolderIsProposedOnItsOwnVolume) {
    VolumeDescription home = Volume("/home", 30 * GiB);
    home.holdsHome = true;
    home.rootWritable = false;
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/", 10 * GiB), home}, kHome), "/home/user/");
    EXPECT_EQ(ChooseLargestVolumeFolder({home, Volume("/data", 31 * GiB)}, kHome), "/data/");
}

TEST(ChooseLargestVolumeFolder, RootTheUserMayNotWriteIsSkipped) {
    VolumeDescription system = Volume("/", 90 * GiB);
    system.rootWritable = false;
    EXPECT_EQ(ChooseLargestVolumeFolder({system, Volume("/media/usb", 2 * GiB)}, kHome),
              "/media/usb/");
}

TEST(ChooseLargestVolumeFolder, NotReadyReadOnlyOpticalAndPseudoVolumesAreSkipped) {
    VolumeDescription notReady = Volume("/media/card", 80 * GiB);
    notReady.ready = false;
    VolumeDescription readOnly = Volume("/mnt/ro", 70 * GiB);
    readOnly.readOnly = true;
    readOnly.holdsHome = true;
    const std::vector<VolumeDescription> volumes{
        notReady,
        readOnly,
        Volume("/media/dvd", 60 * GiB, "iso9660"),
        Volume("/media/bd", 60 * GiB, "udf"),
        Volume("/dev/shm", 50 * GiB, "tmpfs"),
        Volume("/proc", 50 * GiB, "proc"),
        Volume("/sys/fs/cgroup/cpu", 50 * GiB, "cgroup"),
        Volume("/snap/core/1", 50 * GiB, "squashfs"),
        Volume("/srv", 1 * GiB, "xfs"),
    };
    EXPECT_EQ(ChooseLargestVolumeFolder(volumes, kHome), "/srv/");
}

TEST(ChooseLargestVolumeFolder, HomeFolderWhenNothingHasFreeSpace) {
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/", 0)}, kHome), "/home/user/");
    EXPECT_EQ(ChooseLargestVolumeFolder({}, QStringLiteral("/root/")), "/root/");
}

TEST(ChooseLargestVolumeFolder, SmallDifferencesCount) {
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/a", GiB), Volume("/b", GiB + 4096)}, kHome),
              "/b/");
}

TEST(IsUnsuitableFileSystem, KnowsOrdinaryFromPseudo) {
    for (const char* type : {"ext4", "xfs", "btrfs", "vfat", "exfat", "ntfs3", "nfs4", "overlay"})
        EXPECT_FALSE(IsUnsuitableFileSystem(type)) << type;
    for (const char* type : {"proc", "sysfs", "tmpfs", "devtmpfs", "iso9660", "udf", "cgroup2"})
        EXPECT_TRUE(IsUnsuitableFileSystem(type)) << type;
}

// Measuring on this machine -------------------------------------------------------

TEST(CDriveInfo, MeasuresTheVolumeOfAFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CDriveInfo info;
    info.SetDrive(dir.path());
    EXPECT_EQ(info.rootPath, dir.path());
    EXPECT_GT(info.totalBytes, 0u);
    EXPECT_GT(info.totalFreeBytes, 0u);
    EXPECT_LE(info.totalFreeBytes, info.totalBytes);
    EXPECT_EQ(info.usedBytes, info.totalBytes - info.totalFreeBytes);
}

TEST(CDriveInfo, MissingPathLeavesCountersZero) {
    QTemporaryDir dir;
    CDriveInfo info;
    info.SetDrive(dir.path());
    info.SetDrive(dir.filePath("no/such/folder"));
    EXPECT_EQ(info.totalBytes, 0u);
    EXPECT_EQ(info.totalFreeBytes, 0u);
    EXPECT_EQ(info.usedBytes, 0u);
}

TEST(MountedVolumes, AreInStableOrderAndProposeAnExistingFolder) {
    CDriveInfo meter;
    const std::vector<VolumeDescription> volumes = MountedVolumes(meter);
    ASSERT_FALSE(volumes.empty());
    for (size_t i = 1; i < volumes.size(); ++i)
        EXPECT_LE(volumes[i - 1].rootPath, volumes[i].rootPath);
    const QString folder = ChooseLargestVolumeFolder(volumes, QDir::homePath());
    EXPECT_TRUE(folder.endsWith('/'));
    EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
}

} // namespace
