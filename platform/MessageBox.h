#pragma once
// The one way the program shows a message box. Tests install a responder that
// records each box and answers it, so no real modal box ever appears in a test.

#include <QString>
#include <functional>

class QWidget;

// Button and icon flags and answers keep the values the program was designed with.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
    QWidget* owner = nullptr; // none: the box has no owner window
    QString text;
    QString caption;
    unsigned flags = MB_OK;
};

using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;

// Shows the box modally and returns the answer (IDOK, IDYES, IDNO, ...).
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags);

// Replaces the real boxes; an empty responder restores them. Returns the previous one.
MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder);
