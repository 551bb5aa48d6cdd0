// The keyboard messages Windows posts for a key going down or up.
#include "key_messages.h"

namespace posix {

namespace {

constexpr LPARAM repeatCountOne = 1;
constexpr LPARAM altContext = LPARAM{1} << 29;
constexpr LPARAM previouslyDown = LPARAM{1} << 30;
constexpr LPARAM goingUp = static_cast<LPARAM>(DWORD{1} << 31);

KeyMessage message(int virtualKey, bool down, bool alt, bool ctrl, LPARAM flags) {
    const bool system = virtualKey == VK_F10 || (alt && !ctrl);
    const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    return {message, static_cast<WPARAM>(virtualKey), flags};
}

}  // namespace

KeyMessage KeyTransitions::keyDown(int virtualKey, bool altHeld, bool ctrlHeld) {
    const bool alt = altHeld || virtualKey == VK_MENU;
    const bool ctrl = ctrlHeld || virtualKey == VK_CONTROL;
    LPARAM flags = repeatCountOne;
    if (alt) flags |= altContext;
    if (!down.insert(virtualKey).second) flags |= previouslyDown;
    return message(virtualKey, true, alt, ctrl, flags);
}

KeyMessage KeyTransitions::keyUp(int virtualKey, bool altHeld, bool ctrlHeld) {
    down.erase(virtualKey);
    const bool ctrl = ctrlHeld && virtualKey != VK_CONTROL;
    LPARAM flags = repeatCountOne | previouslyDown | goingUp;
    if (altHeld && virtualKey != VK_MENU) flags |= altContext;
    return message(virtualKey, false, altHeld || virtualKey == VK_MENU, ctrl, flags);
}

}  // namespace posix
