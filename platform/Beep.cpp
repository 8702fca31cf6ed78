#include "platform/Beep.h"

#include <QApplication>
#include <utility>

namespace {
MessageBeepHandler& BeepHandler() {
    static MessageBeepHandler handler;
    return handler;
}
} // namespace

void MessageBeep(unsigned type) {
    if (BeepHandler())
        BeepHandler()(type);
    else
        QApplication::beep();
}

MessageBeepHandler SetMessageBeepHandler(MessageBeepHandler handler) {
    return std::exchange(BeepHandler(), std::move(handler));
}
