#include "platform/Notification.h"

#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QVariantMap>

namespace {
constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
// The action a click on the notice itself invokes.
constexpr char kDefaultAction[] = "default";

QString NextConnectionName() {
    static int count = 0;
    return QStringLiteral("ostrela-notices-%1").arg(++count);
}

// The bus the environment names now: the D-Bus library reads the variable
// only once per process, and a notifier must follow it when it changes.
QDBusConnection ConnectToSessionBus(const QString& name) {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    return QDBusConnection::connectToBus(address, name);
}
} // namespace

QString ConversionSummary(int converted, int total) {
    const QString noun = total == 1 ? QStringLiteral("file") : QStringLiteral("files");
    if (converted == total)
        return QStringLiteral("Ostrela converted %1 %2").arg(total).arg(noun);
    return QStringLiteral("Ostrela converted %1 of %2 %3").arg(converted).arg(total).arg(noun);
}

CConversionNotifier::CConversionNotifier(QObject* parent)
    : QObject(parent), connectionName(NextConnectionName()),
      bus(ConnectToSessionBus(connectionName)) {
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(OnActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(OnClosed(uint, uint)));
}

CConversionNotifier::~CConversionNotifier() {
    bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(connectionName);
}

void CConversionNotifier::Announce(int converted, int total, const QString& folder,
                                   std::shared_ptr<bool> opened) {
    if (!bus.isConnected())
        return;
    // A folder name may hold "&" or "<", which a service that reads the body
    // as markup would swallow; ask first how it reads it.
    const QString summary = ConversionSummary(converted, total);
    QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                      QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, summary, notice = Notice{folder, std::move(opened)}](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusPendingReply<QStringList> reply = *w;
            // No service answers: nothing to show.
            if (reply.isError())
                return;
            Notify(summary, notice, reply.value().contains(QStringLiteral("body-markup")));
        });
}

void CConversionNotifier::Notify(const QString& summary, const Notice& notice, bool markup) {
    const QString& folder = notice.folder;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("ostrela")}};
    call << QStringLiteral("Ostrela") << uint(0) << QStringLiteral("ostrela") << summary
         << (markup ? folder.toHtmlEscaped() : folder)
         << QStringList{QLatin1String(kDefaultAction), QStringLiteral("Open Folder")} << hints
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, notice](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isValid())
                    notices.insert(reply.value(), notice);
            });
}

void CConversionNotifier::OnActionInvoked(uint id, const QString& actionKey) {
    // The signal reaches every client of the service: only our own notices count.
    const auto it = notices.constFind(id);
    if (it == notices.constEnd() || actionKey != QLatin1String(kDefaultAction))
        return;
    const Notice notice = *it;
    notices.erase(it);
    if (notice.opened)
        *notice.opened = true;
    ShellExecute(nullptr, QStringLiteral("open"), notice.folder, QString(), QString(),
                 SW_SHOWNORMAL);
}

void CConversionNotifier::OnClosed(uint id, uint) {
    notices.remove(id);
}

void AnnounceConversion(int converted, int total, const QString& folder,
                        std::shared_ptr<bool> opened) {
    static QPointer<CConversionNotifier> notifier;
    if (!notifier)
        notifier = new CConversionNotifier(QCoreApplication::instance());
    notifier->Announce(converted, total, folder, std::move(opened));
}
