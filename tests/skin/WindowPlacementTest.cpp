// The skinned main window on Xvfb under Openbox, Metacity and Mutter: its
// pop-ups open at the window, and Minimise minimises it.

#include "TestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class WindowPlacementTest : public ::testing::TestWithParam<const char*> {};

TEST_P(WindowPlacementTest, MenusAndFolderPickerOpenAtTheSkinnedWindow) {
    const testing_support::XServer x;
    if (x.display.isEmpty())
        GTEST_SKIP() << "no X server could start (Xvfb)";
    const QString wm = QStandardPaths::findExecutable(GetParam());
    ASSERT_FALSE(wm.isEmpty()) << GetParam() << " is not installed";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", x.display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess manager;
    manager.setProcessEnvironment(env);
    const QString name = GetParam();
    manager.start(wm, name == "metacity" ? QStringList{"--replace"}
                      : name == "mutter" ? QStringList{"--x11", "--replace", "--sm-disable"}
                                         : QStringList{});
    ASSERT_TRUE(manager.waitForStarted());
    // The manager has taken the screen once it names itself on the root window.
    QProcess xprop;
    xprop.setProcessEnvironment(env);
    bool managed = false;
    for (int i = 0; i < 150 && !managed; ++i, QThread::msleep(100)) {
        xprop.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
        xprop.waitForFinished();
        managed = xprop.readAllStandardOutput().contains("window id");
    }
    ASSERT_TRUE(managed) << GetParam() << " did not take the screen";
    QThread::msleep(200); // and has set up the rest of its state

    QTemporaryDir config;
    env.insert("XDG_CONFIG_HOME", config.path());
    QProcess probe;
    probe.setProcessEnvironment(env);
    probe.start(testing_support::BinDir() + "tests/WindowPlacementProbe",
                {testing_support::BinDir()});
    const bool finished = probe.waitForFinished(60000);
    manager.kill();
    manager.waitForFinished();
    ASSERT_TRUE(finished);
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardOutput().toStdString()
                                   << probe.readAllStandardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, WindowPlacementTest,
                         ::testing::Values("openbox", "metacity", "mutter"));

} // namespace
