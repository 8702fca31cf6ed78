#pragma once
// Tells the desktop that a conversion has ended, through the freedesktop
// notification service (org.freedesktop.Notifications) on the session bus.
// Without a bus or a service nothing is shown and nothing is reported: the
// message boxes at the end of a conversion say it all the same.

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

// "Ostrela converted 12 files" when every task succeeded, otherwise
// "Ostrela converted 10 of 12 files".
QString ConversionSummary(int converted, int total);

class CConversionNotifier : public QObject {
    Q_OBJECT
public:
    // Connects to the session bus that DBUS_SESSION_BUS_ADDRESS names now
    // (the usual one when it is unset).
    explicit CConversionNotifier(QObject* parent = nullptr);
    ~CConversionNotifier() override;
    CConversionNotifier(const CConversionNotifier&) = delete;
    CConversionNotifier& operator=(const CConversionNotifier&) = delete;

    // Shows the notice without waiting for the service; clicking it opens
    // the folder through the shell, even after the conversion dialog is gone,
    // and sets `opened` (when given), so the folder is not opened twice.
    void Announce(int converted, int total, const QString& folder,
                  std::shared_ptr<bool> opened = {});

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnClosed(uint id, uint reason);

private:
    // A notice on screen: the folder it opens, and who hears that it did.
    struct Notice {
        QString folder;
        std::shared_ptr<bool> opened;
    };
    void Notify(const QString& summary, const Notice& notice, bool markup);

    QString connectionName;
    QDBusConnection bus;
    QHash<uint, Notice> notices;
};

// The end of a conversion: the application's one notifier, made on first use
// and owned by the application object, announces it.
void AnnounceConversion(int converted, int total, const QString& folder,
                        std::shared_ptr<bool> opened = {});
