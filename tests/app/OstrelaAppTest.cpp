// The real application object, started offscreen: start-up order, the calls
// that reach the skin component, the main window it runs, and the exit path.

#include "app/Ostrela.h"

#include "TestSupport.h"
#include "app/ProgramFolder.h"
#include "platform/ComponentRegistry.h"
#include "platform/ListCtrl.h"
#include "platform/WindowHandle.h"
#include "res/Resource.h"
#include "tasks/OstrelaDlg.h"

#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <functional>

using testing_support::MessageBoxRecorder;
using testing_support::ProgramFolderOverride;

namespace {

// A program folder, a component registry and a call log of the test's own.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath("program/");
        ASSERT_TRUE(QDir().mkpath(folder));
        programFolder = std::make_unique<ProgramFolderOverride>(folder);
        SetComponentRegistryPathForTesting(dir.filePath("config/ostrela/components.ini"));
        log = dir.filePath("calls.log");
        qputenv("OSTRELA_TEST_COMPONENT_LOG", QFile::encodeName(log));
    }
    void TearDown() override {
        theApp.skin.ReleaseDispatch();
        qunsetenv("OSTRELA_TEST_COMPONENT_LOG");
        qunsetenv("OSTRELA_TEST_REGISTER_RESULT");
        SetComponentRegistryPathForTesting(QString());
        programFolder.reset();
    }

    QString InstallComponent(const QString& source = QStringLiteral(OSTRELA_TEST_SKIN_COMPONENT),
                             const QString& name = QStringLiteral("SkinCrafter.dll")) {
        const QString path = folder + name;
        EXPECT_TRUE(QFile::copy(source, path));
        return path;
    }

    QStringList Calls() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    static bool IsLoaded(const QString& path) {
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    }

    // Runs InitInstance; once the main window shows, `whileShown` looks at it
    // and `close` ends it. Returns InitInstance's result.
    bool Run(
        const std::function<void(COstrelaDlg*)>& whileShown,
        const std::function<void(COstrelaDlg*)>& close = [](COstrelaDlg* d) { d->reject(); }) {
        shown = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            COstrelaDlg* dlg = AfxGetMainDlg();
            if (!dlg || !dlg->isVisible() || shown)
                return;
            shown = true;
            poll.stop();
            whileShown(dlg);
            close(dlg);
        });
        poll.start();
        return theApp.InitInstance();
    }

    QTemporaryDir dir;
    QString folder;
    QString log;
    bool shown = false;
    std::unique_ptr<ProgramFolderOverride> programFolder;
    MessageBoxRecorder boxes;
};

TEST_F(AppTest, StartsTheSkinInOrderAndClosesItAfterTheMainWindow) {
    const QString component = InstallComponent();
    qint32 convertHandle = 0;
    const bool result = Run([&](COstrelaDlg* dlg) {
        convertHandle = GetWindowHandle(dlg->convertButton);
        EXPECT_EQ(dlg->parentWidget(), nullptr);
        EXPECT_FALSE(Calls().join('\n').contains("invoke 7"));
    });
    EXPECT_TRUE(shown);
    EXPECT_FALSE(result);
    EXPECT_EQ(AfxGetMainDlg(), nullptr);
    EXPECT_FALSE(Calls().join('\n').contains("invoke 7")) << "closed only by ExitInstance";

    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_EQ(
        Calls(),
        QStringList({"register", "create SkinCrafter.SCSkin", "invoke 17 long:0", "invoke 1 long:1",
                     "invoke 2 string:" + folder + "lumora.skf", "invoke 18 mainWindows:0",
                     QStringLiteral("invoke 21 long:%1 string:Start long:0 window:ctl%2")
                         .arg(convertHandle)
                         .arg(IDC_CONVERT),
                     "invoke 7 mainWindows:0"}));
    EXPECT_EQ(FindComponentLibrary("SkinCrafter.SCSkin"), component);
    EXPECT_TRUE(boxes.boxes.empty());

    theApp.skin.ReleaseDispatch();
    EXPECT_EQ(Calls().last(), "release");
    EXPECT_FALSE(IsLoaded(component));
}

TEST_F(AppTest, ShowsTheMainWindowWithItsControlsColumnsAndMenus) {
    InstallComponent();
    Run([](COstrelaDlg* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Ostrela");
        EXPECT_TRUE(dlg->isModal());
        for (int id : {IDC_TASK_LIST, IDC_CONVERT, IDC_SAMPLE_RATE, IDC_CHANNEL, IDC_AUDIO_BITRATE})
            EXPECT_NE(dlg->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)), nullptr) << id;
        ASSERT_NE(dlg->taskList, nullptr);
        QStringList columns;
        for (int i = 0; i < dlg->taskList->columnCount(); ++i)
            columns << dlg->taskList->headerItem()->text(i);
        EXPECT_EQ(columns,
                  QStringList({"Title", "Start", "End", "Source Format", "Output Format"}));
        ASSERT_NE(dlg->menuBar, nullptr);
        QStringList menus;
        for (QAction* a : dlg->menuBar->actions())
            menus << a->text();
        EXPECT_EQ(menus.size(), 3);
        EXPECT_TRUE(menus.contains("System"));
        EXPECT_TRUE(menus.contains("Operation"));
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(AppTest, WithoutAnyComponentTheProgramStartsAndEndsQuietly) {
    EXPECT_FALSE(Run([](COstrelaDlg* dlg) { EXPECT_TRUE(dlg->convertButton->isVisible()); }));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(theApp.skin.HasDispatch());
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(Calls().isEmpty());
    EXPECT_TRUE(FindComponentLibrary("SkinCrafter.SCSkin").isEmpty());
}

TEST_F(AppTest, RegistersOnEveryStartBeforeCreating) {
    InstallComponent();
    for (int start = 0; start < 2; ++start) {
        Run([](COstrelaDlg*) {});
        theApp.ExitInstance();
        theApp.skin.ReleaseDispatch();
    }
    const QStringList calls = Calls();
    ASSERT_EQ(calls.count("register"), 2);
    ASSERT_EQ(calls.count("create SkinCrafter.SCSkin"), 2);
    const qsizetype secondRegister = calls.lastIndexOf("register");
    EXPECT_LT(calls.indexOf("register"), calls.indexOf("create SkinCrafter.SCSkin"));
    EXPECT_GT(secondRegister, calls.indexOf("release")) << "the second start registers anew";
    EXPECT_LT(secondRegister, calls.lastIndexOf("create SkinCrafter.SCSkin"));
}

TEST_F(AppTest, FailedRegistrationStillCreatesAComponentRegisteredEarlier) {
    const QString component = InstallComponent();
    ASSERT_TRUE(RegisterComponentClass("SkinCrafter.SCSkin", component));
    qputenv("OSTRELA_TEST_REGISTER_RESULT", "1");
    EXPECT_FALSE(theApp.RegisterSkinLibrary());
    Run([](COstrelaDlg*) {});
    theApp.ExitInstance();
    EXPECT_TRUE(Calls().contains("create SkinCrafter.SCSkin"));
    EXPECT_TRUE(Calls().contains("invoke 7 mainWindows:0"));
    EXPECT_TRUE(boxes.boxes.empty());
}

// Whatever ends the main window, the skin is closed once, after the window is gone.
struct Closer {
    const char* name;
    std::function<void(COstrelaDlg*)> close;
};

void PrintTo(const Closer& closer, std::ostream* os) {
    *os << closer.name;
}

class ClosingTest : public AppTest, public ::testing::WithParamInterface<Closer> {};

TEST_P(ClosingTest, ClosesTheSkinOnceAfterTheMainWindowIsGone) {
    InstallComponent();
    EXPECT_FALSE(Run([](COstrelaDlg*) {}, GetParam().close));
    EXPECT_TRUE(shown);
    EXPECT_EQ(theApp.ExitInstance(), 0);
    EXPECT_EQ(Calls().filter(QRegularExpression("^invoke 7")),
              QStringList({"invoke 7 mainWindows:0"}));
}

INSTANTIATE_TEST_SUITE_P(
    AnyWay, ClosingTest,
    ::testing::Values(Closer{"Escape", [](COstrelaDlg* d) { QTest::keyClick(d, Qt::Key_Escape); }},
                      Closer{"Exit", [](COstrelaDlg* d) { d->OnCommand(ID_SYSTEM_EXIT); }},
                      Closer{"CloseBox", [](COstrelaDlg* d) { d->close(); }}),
    [](const ::testing::TestParamInfo<Closer>& info) { return std::string(info.param.name); });

// Registration of one library, for each way it can end.
using RegisterComServerTest = AppTest;

TEST_F(RegisterComServerTest, MissingLibraryFails) {
    EXPECT_FALSE(theApp.RegisterComServer(folder + "SkinCrafter.dll"));
    EXPECT_FALSE(theApp.RegisterSkinLibrary());
}

TEST_F(RegisterComServerTest, LibraryWithoutTheExportFailsAndIsUnloaded) {
    const QString lib =
        InstallComponent(QStringLiteral(OSTRELA_TEST_NOEXPORTS_LIBRARY), "SkinCrafter.dll");
    EXPECT_FALSE(theApp.RegisterSkinLibrary());
    EXPECT_FALSE(IsLoaded(lib));
}

TEST_F(RegisterComServerTest, OnlyAResultOfZeroCounts) {
    const QString lib = InstallComponent();
    for (const char* result : {"1", "-2147467259", "2"}) {
        qputenv("OSTRELA_TEST_REGISTER_RESULT", result);
        EXPECT_FALSE(theApp.RegisterComServer(lib)) << result;
        EXPECT_FALSE(IsLoaded(lib)) << result;
    }
    EXPECT_TRUE(FindComponentLibrary("SkinCrafter.SCSkin").isEmpty());
    qputenv("OSTRELA_TEST_REGISTER_RESULT", "0");
    EXPECT_TRUE(theApp.RegisterComServer(lib));
    EXPECT_FALSE(IsLoaded(lib));
    EXPECT_EQ(FindComponentLibrary("SkinCrafter.SCSkin"), lib);
    EXPECT_EQ(Calls(), QStringList({"register", "register", "register", "register"}));
}

} // namespace
