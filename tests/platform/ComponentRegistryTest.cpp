// The per-user component registry file (replaced whole, as option.ini is).

#include "platform/ComponentRegistry.h"

#include "SmallFileSystem.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kSkinClass = QStringLiteral("SkinCrafter.SCSkin");

class ComponentRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { SetComponentRegistryPathForTesting(registry); }
    void TearDown() override { SetComponentRegistryPathForTesting(QString()); }

    QTemporaryDir dir;
    const QString registry = dir.filePath("config/ostrela/components.ini");
};

TEST_F(ComponentRegistryTest, RecordsAndReplacesClassesAtOnceAndRefusesBadLines) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, "/opt/a/SkinCrafter.dll"));
    ASSERT_TRUE(RegisterComponentClass("Other.Thing", "/opt/b/other lib=1.so"));
    ASSERT_TRUE(RegisterComponentClass("SKINCRAFTER.SCSKIN", "/opt/c/SkinCrafter.dll"));
    EXPECT_EQ(FindComponentLibrary("skincrafter.scskin"), "/opt/c/SkinCrafter.dll");
    EXPECT_EQ(FindComponentLibrary("Other.Thing"), "/opt/b/other lib=1.so");
    EXPECT_EQ(testing_support::ReadFile(registry).count("SkinCrafter.dll"), 1);

    EXPECT_FALSE(RegisterComponentClass("A=B", "/opt/a.so"));
    EXPECT_FALSE(RegisterComponentClass("A.B", "/opt/a\n.so"));
    EXPECT_TRUE(FindComponentLibrary("A.B").isEmpty());

    // Programs starting at once each record their classes.
    constexpr int kClasses = 40;
    const auto name = [](int program, int c) { return QString("P%1.C%2").arg(program).arg(c); };
    ASSERT_TRUE(testing_support::RunInProcesses(3, [&](int program) {
        for (int c = 0; c < kClasses; ++c)
            if (!RegisterComponentClass(name(program, c), "/opt/x.so"))
                return false;
        return true;
    }));
    int lost = 0;
    for (int program = 0; program < 3; ++program)
        for (int c = 0; c < kClasses; ++c)
            lost += FindComponentLibrary(name(program, c)).isEmpty();
    EXPECT_EQ(lost, 0);
}

// The registry lies beside option.ini; an earlier version's is read and moved along.
TEST_F(ComponentRegistryTest, KeptInTheSettingsFolderAndTheOldOneIsStillRead) {
    SetComponentRegistryPathForTesting(QString());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath("xdg").toUtf8());
    const QString old = dir.filePath("xdg/ostrela/components.ini");
    ASSERT_TRUE(testing_support::WriteFile(old, "Old.Class=/opt/old.so\n"));
    EXPECT_EQ(ComponentRegistryPath(), dir.filePath("xdg/Ostrela/components.ini"));
    EXPECT_EQ(FindComponentLibrary("Old.Class"), "/opt/old.so");
    EXPECT_TRUE(RegisterComponentClass(kSkinClass, "/opt/a/SkinCrafter.dll"));
    ASSERT_TRUE(QFile::remove(old));
    EXPECT_EQ(FindComponentLibrary("Old.Class"), "/opt/old.so");
    EXPECT_EQ(FindComponentLibrary(kSkinClass), "/opt/a/SkinCrafter.dll");
    qputenv("XDG_CONFIG_HOME", saved);
}

} // namespace
