// The per-user component registry file: classes recorded and replaced without
// regard to case, unusable lines refused, and a full disk that loses nothing.

#include "platform/ComponentRegistry.h"

#include "SmallFileSystem.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kSkinClass = QStringLiteral("SkinCrafter.SCSkin");

class ComponentRegistryTest : public ::testing::Test {
protected:
    void UseRegistry(const QString& path) {
        registry = path;
        SetComponentRegistryPathForTesting(path);
    }
    void SetUp() override { UseRegistry(dir.filePath("config/ostrela/components.ini")); }
    void TearDown() override { SetComponentRegistryPathForTesting(QString()); }

    QByteArray Contents() const { return testing_support::ReadFile(registry); }

    QTemporaryDir dir;
    QString registry;
};

TEST_F(ComponentRegistryTest, RecordsAndReplacesClassesAndRefusesBadLines) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, "/opt/a/SkinCrafter.dll"));
    ASSERT_TRUE(RegisterComponentClass("Other.Thing", "/opt/b/other lib=1.so"));
    ASSERT_TRUE(RegisterComponentClass("SKINCRAFTER.SCSKIN", "/opt/c/SkinCrafter.dll"));
    EXPECT_EQ(FindComponentLibrary("skincrafter.scskin"), "/opt/c/SkinCrafter.dll");
    EXPECT_EQ(FindComponentLibrary("Other.Thing"), "/opt/b/other lib=1.so");
    EXPECT_EQ(Contents().count("SkinCrafter.dll"), 1);

    EXPECT_FALSE(RegisterComponentClass("A=B", "/opt/a.so"));
    EXPECT_FALSE(RegisterComponentClass("A.B", "/opt/a\n.so"));
    EXPECT_TRUE(FindComponentLibrary("A.B").isEmpty());
}

TEST_F(ComponentRegistryTest, FullDiskKeepsTheRecordedClasses) {
    testing_support::SmallFileSystem disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "no small file system to fill: " << disk.Reason().toStdString();
    UseRegistry(disk.FilePath("ostrela/components.ini"));
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, "/opt/a/SkinCrafter.dll"));
    ASSERT_TRUE(RegisterComponentClass("Other.Thing", "/opt/b/other.so"));
    const QByteArray before = Contents();

    ASSERT_TRUE(disk.Fill());
    EXPECT_FALSE(RegisterComponentClass("Third.Class", "/opt/c/third.so"));
    EXPECT_FALSE(RegisterComponentClass(kSkinClass, "/opt/d/SkinCrafter.dll"));
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(FindComponentLibrary(kSkinClass), "/opt/a/SkinCrafter.dll");
    EXPECT_EQ(testing_support::FilesIn(disk.FilePath("ostrela")), QStringList("components.ini"));

    disk.Free();
    ASSERT_TRUE(RegisterComponentClass("Third.Class", "/opt/c/third.so"));
    EXPECT_EQ(FindComponentLibrary("Other.Thing"), "/opt/b/other.so");
    EXPECT_EQ(FindComponentLibrary("Third.Class"), "/opt/c/third.so");
}

} // namespace
