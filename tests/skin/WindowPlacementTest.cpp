// The main window with the skin on a real X server (Xvfb) under Openbox,
// Metacity and Mutter: the program knows where the window stands, so its
// menus, the task list's context menu and the folder picker open at the
// window, and the skin's Minimise button minimises it.

#include "TestSupport.h"

#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// An X server on a free display of its own, ended with the test.
class XServer {
public:
    bool Start() {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty())
            return false;
        // The server takes the first free display itself and names it on
        // standard output, so tests running at once never share one.
        server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (!server.waitForStarted())
            return false;
        while (!server.canReadLine() && server.waitForReadyRead(10000)) {
        }
        const QByteArray number = server.readLine().trimmed();
        if (number.isEmpty())
            return false;
        display = ":" + QString::fromLatin1(number);
        return true;
    }
    ~XServer() {
        server.kill();
        server.waitForFinished();
    }
    QString display;

private:
    QProcess server;
};

struct Placement {
    QPoint at, expected;
};

class WindowPlacementTest : public ::testing::TestWithParam<const char*> {};

TEST_P(WindowPlacementTest, MenusAndFolderPickerOpenAtTheSkinnedWindow) {
    XServer x;
    if (!x.Start())
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
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    ASSERT_EQ(probe.exitCode(), 0)
        << out.toStdString() << probe.readAllStandardError().toStdString();

    QMap<QString, Placement> seen;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(' ');
        if (f.size() == 5)
            seen[f[0]] = {{f[1].toInt(), f[2].toInt()}, {f[3].toInt(), f[4].toInt()}};
    }
    EXPECT_TRUE(out.contains("skinned 1")) << "the caption strip is on";
    EXPECT_TRUE(out.contains("minimised 1 1 1"))
        << "minimising allowed, the skin's button iconifies, restored: " << out.toStdString();
    for (const char* what : {"window", "menu", "context"}) {
        ASSERT_TRUE(seen.contains(what)) << what;
        EXPECT_LE((seen[what].at - seen[what].expected).manhattanLength(), 4)
            << what << " at " << seen[what].at.x() << "," << seen[what].at.y() << " instead of "
            << seen[what].expected.x() << "," << seen[what].expected.y();
    }
    ASSERT_TRUE(seen.contains("picker"));
    EXPECT_LE((seen["picker"].at - seen["picker"].expected).manhattanLength(), 80)
        << "the picker stands centred on the window";
    EXPECT_GT(seen["window"].expected.manhattanLength(), 100) << "the window is not at the corner";
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, WindowPlacementTest,
                         ::testing::Values("openbox", "metacity", "mutter"));

} // namespace
