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

TEST(ChooseLargestVolumeFolder, MostFreeSpaceWinsAndTiesGoToTheFirst) {
    EXPECT_EQ(ChooseLargestVolumeFolder(
                  {Volume("/", 10 * GiB), Volume("/media/usb", 50 * GiB), Volume("/srv", 20 * GiB)},
                  kHome),
              "/media/usb/");
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/b", 7 * GiB), Volume("/a", 7 * GiB)}, kHome),
              "/b/");
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/a", GiB), Volume("/b", GiB + 4096)}, kHome),
              "/b/");
}

TEST(ChooseLargestVolumeFolder, HomeOnItsOwnVolumeAndUnwritableRootsSkipped) {
    VolumeDescription home = Volume("/home", 30 * GiB);
    home.holdsHome = true;
    home.rootWritable = false;
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/", 10 * GiB), home}, kHome), "/home/user/");
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
    EXPECT_EQ(
        ChooseLargestVolumeFolder({notReady, readOnly, Volume("/media/dvd", 60 * GiB, "iso9660"),
                                   Volume("/dev/shm", 50 * GiB, "tmpfs"),
                                   Volume("/proc", 50 * GiB, "proc"), Volume("/srv", GiB, "xfs")},
                                  kHome),
        "/srv/");
    // Nothing with free space: the home folder.
    EXPECT_EQ(ChooseLargestVolumeFolder({Volume("/", 0)}, kHome), "/home/user/");
    EXPECT_EQ(ChooseLargestVolumeFolder({}, QStringLiteral("/root/")), "/root/");
}

TEST(CDriveInfo, MeasuresTheVolumeOfAFolderAndNothingOfAMissingOne) {
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
