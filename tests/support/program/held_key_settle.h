#pragma once
// Held keys in tests that hand key events over on their own thread: the key
// filter's settle time made long enough that a busy machine holding that
// thread between the release and the press of a repeat does not make it
// look like a real release; and a wait long enough for the releases it
// holds back to go through.

#include "app/ui/held_keys.h"
#include "support/x11_keyboard.h"

namespace testsupport {

struct LongKeySettle {
    LongKeySettle() { app::HeldKeyFilter::settle_ms = 400; }
    ~LongKeySettle() { app::HeldKeyFilter::settle_ms = app::HeldKeyFilter::kSettle_ms; }
    LongKeySettle(const LongKeySettle&) = delete;
    LongKeySettle& operator=(const LongKeySettle&) = delete;
};

inline void RunOutHeldKeys() { X11Keyboard::runEvents(app::HeldKeyFilter::settle_ms * 3); }

} // namespace testsupport
