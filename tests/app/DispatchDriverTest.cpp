// The dispatch driver and the component registry against real libraries: the
// recording stand-in component, a library without exports, and missing ones.

#include "platform/ComponentRegistry.h"
#include "platform/DispatchDriver.h"
#include "platform/WindowHandle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

const QString kSkinClass = QStringLiteral("SkinCrafter.SCSkin");

// A private registry and call log for each test, and a copy of the stand-in
// component under the name the program ships it with.
class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        registry = dir.filePath("config/ostrela/components.ini");
        SetComponentRegistryPathForTesting(registry);
        log = dir.filePath("calls.log");
        qputenv("OSTRELA_TEST_COMPONENT_LOG", QFile::encodeName(log));
        component = dir.filePath("SkinCrafter.dll");
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTRELA_TEST_SKIN_COMPONENT), component));
    }
    void TearDown() override {
        SetComponentRegistryPathForTesting(QString());
        qunsetenv("OSTRELA_TEST_COMPONENT_LOG");
    }

    QStringList Calls() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    static bool IsLoaded(const QString& path) {
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
        if (!handle)
            return false;
        dlclose(handle);
        return true;
    }

    QTemporaryDir dir;
    QString registry;
    QString log;
    QString component;
};

using ComponentRegistryTest = ComponentTest;

TEST_F(ComponentRegistryTest, RecordsFindsReplacesAndRemovesClasses) {
    EXPECT_TRUE(FindComponentLibrary(kSkinClass).isEmpty());
    EXPECT_FALSE(QFile::exists(registry));

    ASSERT_TRUE(RegisterComponentClass(kSkinClass, "/opt/a/SkinCrafter.dll"));
    ASSERT_TRUE(RegisterComponentClass("Other.Thing", "/opt/b/other lib=1.so"));
    EXPECT_TRUE(QFile::exists(registry)) << "the folder is created on first write";
    EXPECT_EQ(FindComponentLibrary("skincrafter.scskin"), "/opt/a/SkinCrafter.dll");
    EXPECT_EQ(FindComponentLibrary("Other.Thing"), "/opt/b/other lib=1.so");

    ASSERT_TRUE(RegisterComponentClass("SKINCRAFTER.SCSKIN", "/opt/c/SkinCrafter.dll"));
    EXPECT_EQ(FindComponentLibrary(kSkinClass), "/opt/c/SkinCrafter.dll");
    QFile f(registry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).count("SkinCrafter.dll"), 1);

    EXPECT_TRUE(UnregisterComponentClass(kSkinClass));
    EXPECT_FALSE(UnregisterComponentClass(kSkinClass));
    EXPECT_TRUE(FindComponentLibrary(kSkinClass).isEmpty());
    EXPECT_EQ(FindComponentLibrary("Other.Thing"), "/opt/b/other lib=1.so");
}

TEST_F(ComponentRegistryTest, RefusesWhatALineCannotHold) {
    EXPECT_FALSE(RegisterComponentClass("", "/opt/a.so"));
    EXPECT_FALSE(RegisterComponentClass("A=B", "/opt/a.so"));
    EXPECT_FALSE(RegisterComponentClass("A.B", "/opt/a\n.so"));
    EXPECT_FALSE(RegisterComponentClass("A.B", ""));
    EXPECT_TRUE(FindComponentLibrary("A.B").isEmpty());
}

TEST_F(ComponentRegistryTest, ReadsAHandEditedFile) {
    QDir().mkpath(QFileInfo(registry).absolutePath());
    QFile f(registry);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# comment\r\n\r\nno separator here\r\n  SkinCrafter.SCSkin =/x/y.dll\r\n");
    f.close();
    EXPECT_EQ(FindComponentLibrary(kSkinClass), "/x/y.dll");
}

TEST_F(ComponentRegistryTest, LibraryPathOfNamesTheLoadedLibrary) {
    void* handle = dlopen(QFile::encodeName(component).constData(), RTLD_NOW);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_EQ(LibraryPathOf(dlsym(handle, "OstrelaCreateObject")), component);
    dlclose(handle);
    EXPECT_TRUE(LibraryPathOf(nullptr).isEmpty());
}

using DispatchDriverTest = ComponentTest;

TEST_F(DispatchDriverTest, EmptyDriverDoesNothing) {
    COleDispatchDriver driver;
    EXPECT_FALSE(driver.HasDispatch());
    EXPECT_EQ(driver.InvokeHelper(17, {0}), OSTRELA_E_POINTER);
    driver.ReleaseDispatch();
    EXPECT_TRUE(Calls().isEmpty());
}

TEST_F(DispatchDriverTest, UnregisteredClassLeavesTheDriverEmpty) {
    COleDispatchDriver driver;
    QString error;
    EXPECT_FALSE(driver.CreateDispatch(kSkinClass, &error));
    EXPECT_TRUE(error.contains("not registered"));
    EXPECT_FALSE(driver.HasDispatch());
}

TEST_F(DispatchDriverTest, MissingLibraryLeavesTheDriverEmpty) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, dir.filePath("gone/SkinCrafter.dll")));
    COleDispatchDriver driver;
    EXPECT_FALSE(driver.CreateDispatch(kSkinClass));
    EXPECT_FALSE(driver.HasDispatch());
    EXPECT_EQ(driver.InvokeHelper(18), OSTRELA_E_POINTER);
}

TEST_F(DispatchDriverTest, LibraryWithoutFactoryIsUnloadedAgain) {
    const QString lib = dir.filePath("NoFactory.dll");
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTRELA_TEST_NOEXPORTS_LIBRARY), lib));
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, lib));
    COleDispatchDriver driver;
    QString error;
    EXPECT_FALSE(driver.CreateDispatch(kSkinClass, &error));
    EXPECT_TRUE(error.contains("no factory"));
    EXPECT_FALSE(IsLoaded(lib));
}

TEST_F(DispatchDriverTest, FactoryRefusingTheClassLeavesNothingLoaded) {
    ASSERT_TRUE(RegisterComponentClass("Other.Thing", component));
    COleDispatchDriver driver;
    EXPECT_FALSE(driver.CreateDispatch("Other.Thing"));
    EXPECT_FALSE(driver.HasDispatch());
    EXPECT_FALSE(IsLoaded(component));
    EXPECT_TRUE(Calls().isEmpty());
}

TEST_F(DispatchDriverTest, CallsArriveWithTheirTypesAndValuesInOrder) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, component));
    {
        COleDispatchDriver driver;
        ASSERT_TRUE(driver.CreateDispatch(kSkinClass));
        EXPECT_TRUE(IsLoaded(component));
        EXPECT_EQ(driver.InvokeHelper(17, {0}), OSTRELA_S_OK);
        driver.InvokeHelper(2, {QStringLiteral("/tmp/Ünïcode dir/lumora.skf")});
        driver.InvokeHelper(21, {-2147483647 - 1, "Start", 2147483647});
        driver.InvokeHelper(18);
        EXPECT_EQ(Calls().size(), 5) << "nothing released while the driver lives";
    }
    EXPECT_EQ(Calls(), QStringList({"create SkinCrafter.SCSkin", "invoke 17 long:0",
                                    "invoke 2 string:/tmp/Ünïcode dir/lumora.skf",
                                    "invoke 21 long:-2147483648 string:Start long:2147483647 "
                                    "window:(none)",
                                    "invoke 18 mainWindows:0", "release"}));
    EXPECT_FALSE(IsLoaded(component)) << "the library goes with its object";
}

TEST_F(DispatchDriverTest, CreatingAgainReleasesTheFirstObject) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, component));
    COleDispatchDriver driver;
    ASSERT_TRUE(driver.CreateDispatch(kSkinClass));
    ASSERT_TRUE(driver.CreateDispatch(kSkinClass));
    EXPECT_EQ(Calls(),
              QStringList({"create SkinCrafter.SCSkin", "release", "create SkinCrafter.SCSkin"}));
    driver.ReleaseDispatch();
    driver.ReleaseDispatch();
    EXPECT_EQ(Calls().count("release"), 2);
    EXPECT_FALSE(driver.HasDispatch());
}

TEST_F(DispatchDriverTest, ComponentFindsTheWindowBehindAHandle) {
    ASSERT_TRUE(RegisterComponentClass(kSkinClass, component));
    QWidget window;
    window.setObjectName("ctl1019");
    const qint32 handle = GetWindowHandle(&window);
    {
        COleDispatchDriver driver;
        ASSERT_TRUE(driver.CreateDispatch(kSkinClass));
        driver.InvokeHelper(21, {handle, "Start", 0});
    }
    EXPECT_TRUE(Calls().contains(
        QStringLiteral("invoke 21 long:%1 string:Start long:0 window:ctl1019").arg(handle)));
}

TEST(WindowHandleTest, HandlesAreStableDistinctAndForgetDestroyedWindows) {
    EXPECT_EQ(GetWindowHandle(nullptr), 0);
    auto a = std::make_unique<QObject>();
    QObject b;
    const qint32 ha = GetWindowHandle(a.get());
    const qint32 hb = GetWindowHandle(&b);
    EXPECT_NE(ha, 0);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(GetWindowHandle(a.get()), ha);
    EXPECT_EQ(FindWindowHandle(ha), a.get());
    a.reset();
    EXPECT_EQ(FindWindowHandle(ha), nullptr);
    EXPECT_EQ(FindWindowHandle(hb), &b);
    EXPECT_EQ(FindWindowHandle(0), nullptr);
}

} // namespace
