#include "platform/WindowHandle.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QVariant>

namespace {

const char* const kHandleProperty = "ostrelaWindowHandle";

struct HandleTable {
    QMutex mutex;
    QHash<qint32, QPointer<QObject>> windows;
    qint32 next = 1;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

} // namespace

qint32 GetWindowHandle(QObject* window) {
    if (!window)
        return 0;
    HandleTable& t = Table();
    QMutexLocker lock(&t.mutex);
    const QVariant known = window->property(kHandleProperty);
    if (known.isValid())
        return known.toInt();
    // Drop the numbers of windows that are gone, so the table does not grow.
    for (auto it = t.windows.begin(); it != t.windows.end();)
        it = it.value().isNull() ? t.windows.erase(it) : std::next(it);
    auto advance = [&t] { t.next = t.next == 0x7FFFFFFF ? 1 : t.next + 1; };
    while (t.windows.contains(t.next))
        advance();
    const qint32 handle = t.next;
    advance();
    t.windows.insert(handle, window);
    window->setProperty(kHandleProperty, handle);
    return handle;
}

QObject* FindWindowHandle(qint32 handle) {
    HandleTable& t = Table();
    QMutexLocker lock(&t.mutex);
    const auto it = t.windows.constFind(handle);
    return it == t.windows.cend() ? nullptr : it.value().data();
}
