// Windows' virtual-key codes for FLTK's keys, and the keyboard messages that
// Windows posts for a key going down or up.
#pragma once

#include "internal.h"

#include <array>
#include <set>
#include <vector>

#include "win32_subset.h"

namespace posix {

// Windows' code for a key that has no virtual-key code of its own.
constexpr int unmappedVirtualKey = 0xFF;

// The virtual-key code of an FLTK key (Fl::event_key()); unmappedVirtualKey for others.
int virtualKeyOf(int fltkKey);

// The FLTK keys that a virtual-key code stands for: VK_SHIFT is either Shift key.
std::vector<int> fltkKeysOf(int virtualKey);

// The keyboard as the X server last told it: one request (XQueryKeymap) answers
// every question about the physical state of the keys until the reading is dropped.
class KeyboardReading {
public:
    // Whether the key is down; the first question after drop() reads the keyboard.
    bool isDown(int virtualKey);
    void drop() { fresh = false; }

private:
    std::array<char, 32> keys{};  // one bit per X keycode
    bool fresh = false;
};

struct KeyMessage {
    UINT message;
    WPARAM virtualKey;
    LPARAM flags;  // repeat count, context code (bit 29), previous state (bit 30), transition (bit 31)
};

// The keys that went down and have not come up yet, as the messages tell them,
// for the previous-state bit of each keyboard message.
class KeyTransitions {
public:
    // With Alt held (and not Ctrl) or for F10 the message is a system key message.
    KeyMessage keyDown(int virtualKey, bool altHeld, bool ctrlHeld);
    KeyMessage keyUp(int virtualKey, bool altHeld, bool ctrlHeld);

private:
    std::set<int> down;
};

}  // namespace posix
