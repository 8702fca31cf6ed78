#pragma once
// Window handles as the program hands them to components: a 32-bit number per
// window, given on first request and kept for the window's life. Native window
// ids do not serve: they may not fit 32 bits, and asking for one turns a child
// widget into a native window of its own. A component loaded into the program
// turns the number back into the window with FindWindowHandle.

#include <QtGlobal>

class QObject;

// The window's handle, never 0; 0 for no window.
qint32 GetWindowHandle(QObject* window);

// The window with this handle, or null when there is none (any more).
QObject* FindWindowHandle(qint32 handle);
