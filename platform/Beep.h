#pragma once
// The platform's error beep.

#include <functional>

// The platform's error beep; tests install a handler that records it. An empty
// handler restores the real beep; the previous one is returned.
using MessageBeepHandler = std::function<void(unsigned)>;
void MessageBeep(unsigned type);
MessageBeepHandler SetMessageBeepHandler(MessageBeepHandler handler);
