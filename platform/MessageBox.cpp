#include "platform/MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {
MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}

// A box shown while the program is busy (a wait cursor set) waits for the user,
// not for the program: it shows the ordinary arrow until it is closed.
class CArrowWhileBusy {
public:
    CArrowWhileBusy() : busy(QGuiApplication::overrideCursor() != nullptr) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~CArrowWhileBusy() {
        if (busy)
            QGuiApplication::restoreOverrideCursor();
    }
    CArrowWhileBusy(const CArrowWhileBusy&) = delete;
    CArrowWhileBusy& operator=(const CArrowWhileBusy&) = delete;

private:
    const bool busy;
};
} // namespace

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder) {
    return std::exchange(Responder(), std::move(responder));
}

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    if (Responder())
        return Responder()(MessageBoxRequest{owner, text, caption, flags});

    QMessageBox box(owner);
    box.setWindowTitle(caption);
    // Texts carry file paths, which must show as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if ((flags & 0xF) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const CArrowWhileBusy arrow;
    const int answer = box.exec();
    switch (answer) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Ok:
        return IDOK;
    default:
        return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
    }
}
