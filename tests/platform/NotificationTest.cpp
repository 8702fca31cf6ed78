#include "platform/Notification.h"

#include "ConversionWatcher.h"
#include "MainWindowRig.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace testing_support;

namespace {

// Stands in for the desktop's notification service.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        QString summary, body;
        uint id = 0;
    };
    std::vector<Notice> notices;
    QStringList capabilities{"actions", "body"};

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        notices.push_back({summary, body, uint(notices.size() + 41)});
        return notices.back().id;
    }
    void CloseNotification(uint) {}
};

// A private session bus for the suite, so nothing reaches the desktop.
class NotificationTest : public ::testing::Test, protected MainWindowRig {
protected:
    static void SetUpTestSuite() {
        daemon = std::make_unique<QProcess>();
        daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (daemon->waitForStarted(5000) && daemon->waitForReadyRead(10000))
            address = QString::fromUtf8(daemon->readLine()).trimmed();
        savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    static void TearDownTestSuite() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);
        daemon->terminate();
        daemon->waitForFinished(5000);
        daemon.reset();
    }

    void SetUp() override { ASSERT_FALSE(address.isEmpty()) << "dbus-daemon gave no address"; }
    void TearDown() override {
        if (service.isConnected()) {
            service.unregisterObject("/org/freedesktop/Notifications");
            service.unregisterService("org.freedesktop.Notifications");
        }
        QDBusConnection::disconnectFromBus("fake-service");
    }

    void StartService() {
        service = QDBusConnection::connectToBus(address, "fake-service");
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerObject("/org/freedesktop/Notifications", &fake,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
    }

    // What the service does when the user clicks notice `id`.
    void Invoke(uint id, const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        signal << id << action;
        ASSERT_TRUE(service.send(signal));
    }

    static inline std::unique_ptr<QProcess> daemon;
    static inline QString address;
    static inline QByteArray savedAddress;

    FakeNotifications fake;
    QDBusConnection service{QString()};
};

// The notice counts the files and names the folder (its markup escaped where
// the service reads markup); a click on it opens the real folder.
TEST_F(NotificationTest, TheNoticeNamesTheFolderAndItsClickOpensIt) {
    for (const bool markup : {false, true}) {
        fake.notices.clear();
        shell.requests.clear();
        if (markup)
            fake.capabilities << "body-markup";
        StartService();
        const QString folder = markup ? "/srv/Talks & <Music>/" : "/home/anna/My Audio/";
        CConversionNotifier notifier;
        notifier.Announce(markup ? 0 : 10, markup ? 1 : 12, folder);
        ASSERT_TRUE(WaitUntil([&] { return !fake.notices.empty(); }, 5000));
        const auto& n = fake.notices[0];
        EXPECT_EQ(n.summary,
                  markup ? "Ostrela converted 0 of 1 file" : "Ostrela converted 10 of 12 files");
        EXPECT_EQ(n.body, markup ? "/srv/Talks &amp; &lt;Music&gt;/" : folder);

        // Another program's notice, or another action, opens nothing.
        Invoke(n.id + 100, "default");
        Invoke(n.id, "other");
        QTest::qWait(200);
        EXPECT_TRUE(shell.requests.empty());

        Invoke(n.id, "default");
        ASSERT_TRUE(WaitUntil([&] { return !shell.requests.empty(); }, 5000));
        EXPECT_EQ(shell.requests[0].file, folder);
        TearDown();
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(NotificationTest, WithoutAServiceOrABusNothingHappens) {
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    QTemporaryDir dir;
    for (const QByteArray& value : {bus, "unix:path=" + QFile::encodeName(dir.filePath("none"))}) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", value); // no notification service, or no bus
        CConversionNotifier notifier;
        notifier.Announce(3, 3, "/tmp/out/");
        QTest::qWait(300);
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

// A real conversion's end is announced only when no window of the program is
// active; the box's OK opens the folder unless the notice's click did.
TEST_F(NotificationTest, ARealConversionIsAnnouncedOnlyAwayFromTheProgram) {
    QString error;
    ASSERT_TRUE(MakeMedia(program.filePath("one.avi"), 1.0, &error)) << error.toStdString();
    ASSERT_TRUE(LinkEncoder());
    main.AddFile(program.filePath("one.avi"));
    QTemporaryDir output;
    SetOutputFolder(output.path() + "/");
    StartService();
    for (const bool away : {false, true}) {
        SCOPED_TRACE(away ? "away" : "watching");
        boxes.boxes.clear();
        shell.requests.clear();
        if (away)
            boxes.onShow = [&](const MessageBoxRequest&) {
                ASSERT_TRUE(WaitUntil([&] { return !fake.notices.empty(); }, 5000));
                Invoke(fake.notices[0].id, "default");
                ASSERT_TRUE(WaitUntil([&] { return !shell.requests.empty(); }, 5000));
            };
        ConversionWatcher watcher;
        bool dialogWasActive = false;
        QTimer leave;
        leave.setInterval(5);
        QObject::connect(&leave, &QTimer::timeout, [&] {
            if (away && watcher.Dialog())
                QApplication::setActiveWindow(nullptr);
            if (watcher.Dialog())
                dialogWasActive = dialogWasActive || watcher.Dialog()->isActiveWindow();
        });
        leave.start();
        main.OnCommand(IDC_CONVERT);
        if (!away) {
            ASSERT_TRUE(dialogWasActive);
            QTest::qWait(300);
            EXPECT_TRUE(fake.notices.empty());
        }
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].caption, "Congratulations!");
        EXPECT_EQ(shell.requests.size(), 1u) << "the folder opens once";
    }
    ASSERT_EQ(fake.notices.size(), 1u);
    EXPECT_EQ(fake.notices[0].summary, "Ostrela converted 1 file");
    EXPECT_EQ(fake.notices[0].body, output.path() + "/");
}

} // namespace

#include "NotificationTest.moc"
