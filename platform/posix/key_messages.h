// The keyboard messages Windows posts for a key going down or up: which message,
// and the bits of its lParam. Both displays and SendInput post their keys this way.
#pragma once

#include "internal.h"

#include <set>

#include "win32_subset.h"

namespace posix {

struct KeyMessage {
    UINT message;
    WPARAM virtualKey;
    LPARAM flags;  // repeat count, context code (bit 29), previous state (bit 30), transition (bit 31)
};

// The keys that went down and have not come up yet, as their messages tell them,
// for the previous-state bit of each message.
//
// A key pressed or released while Alt is held and Ctrl is not is a system key
// (WM_SYSKEYDOWN, WM_SYSKEYUP), and so is F10; with Ctrl and Alt held, as AltGr
// holds them, it is an ordinary key. Alt and Ctrl count for themselves as they go
// down, no longer as they come up; Alt's own release is a system key unless Ctrl is held.
//
// Differs from Windows: Alt's release is WM_SYSKEYUP even when another key went
// down while it was held, where Windows posts WM_KEYUP; the scan code and the
// extended-key bit are 0.
class KeyTransitions {
public:
    // `altHeld` and `ctrlHeld` are the modifiers as they were before this key moved.
    KeyMessage keyDown(int virtualKey, bool altHeld, bool ctrlHeld);
    KeyMessage keyUp(int virtualKey, bool altHeld, bool ctrlHeld);
    // With Alt and Ctrl as these transitions have them, for input that is the whole keyboard.
    KeyMessage keyDown(int virtualKey) { return keyDown(virtualKey, isDown(VK_MENU), isDown(VK_CONTROL)); }
    KeyMessage keyUp(int virtualKey) { return keyUp(virtualKey, isDown(VK_MENU), isDown(VK_CONTROL)); }

    bool isDown(int virtualKey) const { return down.count(virtualKey) > 0; }

private:
    std::set<int> down;
};

}  // namespace posix
