#pragma once
// Registered window messages: one process-wide event type per name, obtained
// during static initialisation, carrying the two message parameters. Sending is
// synchronous (the receiver's handler runs before SendMessage returns);
// posting queues the message for the receiver's thread.

#include <QEvent>
#include <QtGlobal>

class QObject;

using WPARAM = quintptr;
using LPARAM = qintptr;
using LRESULT = qintptr;

// The event type registered for this name; the same name gives the same type.
int RegisterWindowMessage(const char* name);

class CWindowMessage : public QEvent {
public:
    CWindowMessage(int message, WPARAM w, LPARAM l)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(w), lParam(l) {}

    const WPARAM wParam;
    const LPARAM lParam;
    LRESULT result = 0;
};

// Delivers the message at once; a null receiver loses it and gives 0.
LRESULT SendMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam);

// Queues the message for the receiver's thread.
void PostMessage(QObject* receiver, int message, WPARAM wParam, LPARAM lParam);
