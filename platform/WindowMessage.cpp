#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>

int RegisterWindowMessage(const char* name) {
    static QMutex mutex;
    static QHash<QByteArray, int> registered;
    QMutexLocker lock(&mutex);
    auto it = registered.find(QByteArray(name));
    if (it == registered.end())
        it = registered.insert(QByteArray(name), QEvent::registerEventType());
    return it.value();
}

LRESULT SendMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam) {
    if (!receiver)
        return 0;
    CWindowMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result;
}

void PostMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CWindowMessage(message, wParam, lParam));
}
