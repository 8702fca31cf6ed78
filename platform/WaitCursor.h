#pragma once
// The hourglass while the window thread is busy: an override cursor for the
// guard's lifetime. Restore() puts it back after a modal box changed it.

class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    void Restore();
};
