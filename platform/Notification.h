#pragma once
// Tells the desktop that a conversion has ended, through the freedesktop
// notification service (org.freedesktop.Notifications) on the session bus.
// Without a bus or a service nothing is shown and nothing is reported: the
// message boxes at the end of a conversion say it all the same.

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>

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
    // the folder through the shell, even after the conversion dialog is gone.
    void Announce(int converted, int total, const QString& folder);

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnClosed(uint id, uint reason);

private:
    void Notify(const QString& summary, const QString& folder, bool markup);

    QString connectionName;
    QDBusConnection bus;
    QHash<uint, QString> folders; // notices on screen, and the folder each opens
};

// The end of a conversion: the application's one notifier, made on first use
// and owned by the application object, announces it.
void AnnounceConversion(int converted, int total, const QString& folder);
