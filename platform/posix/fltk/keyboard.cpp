// FLTK's keys as Windows' virtual keys, and their keyboard messages.
#include "fltk/keyboard.h"

#include <FL/Enumerations.H>
#include <FL/x.H>


namespace posix {

namespace {

// Virtual-key codes that the subset's header does not name.
constexpr int vkPageUp = 0x21;
constexpr int vkPageDown = 0x22;
constexpr int vkEnd = 0x23;
constexpr int vkHome = 0x24;
constexpr int vkLeft = 0x25;
constexpr int vkUp = 0x26;
constexpr int vkRight = 0x27;
constexpr int vkDown = 0x28;
constexpr int vkInsert = 0x2D;
constexpr int vkDelete = 0x2E;

struct KeyPair {
    int virtualKey;
    int fltkKey;
};

// Keys whose codes do not follow a range. A virtual key may stand for several FLTK keys.
constexpr KeyPair namedKeys[] = {
    {VK_BACK, FL_BackSpace},   {VK_TAB, FL_Tab},           {VK_RETURN, FL_Enter},
    {VK_RETURN, FL_KP_Enter},  {VK_SHIFT, FL_Shift_L},     {VK_SHIFT, FL_Shift_R},
    {VK_CONTROL, FL_Control_L}, {VK_CONTROL, FL_Control_R}, {VK_MENU, FL_Alt_L},
    {VK_MENU, FL_Alt_R},       {VK_ESCAPE, FL_Escape},     {VK_SPACE, ' '},
    {vkPageUp, FL_Page_Up},    {vkPageDown, FL_Page_Down}, {vkEnd, FL_End},
    {vkHome, FL_Home},         {vkLeft, FL_Left},          {vkUp, FL_Up},
    {vkRight, FL_Right},       {vkDown, FL_Down},          {vkInsert, FL_Insert},
    {vkDelete, FL_Delete},
};

// Ranges of keys numbered alike on both sides: letters, digits, F1 to F12, the keypad's digits.
struct KeyRange {
    int firstVirtualKey;
    int firstFltkKey;
    int count;
};

constexpr KeyRange keyRanges[] = {
    {'A', 'a', 26},
    {'0', '0', 10},
    {VK_F1, FL_F + 1, 12},
    {VK_NUMPAD0, FL_KP + '0', 10},
};

constexpr LPARAM repeatCountOne = 1;
constexpr LPARAM altContext = LPARAM{1} << 29;
constexpr LPARAM previouslyDown = LPARAM{1} << 30;
constexpr LPARAM goingUp = static_cast<LPARAM>(DWORD{1} << 31);

UINT messageFor(int virtualKey, bool down, bool altHeld, bool ctrlHeld) {
    const bool system = virtualKey == VK_F10 || (altHeld && !ctrlHeld);
    if (system) return down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    return down ? WM_KEYDOWN : WM_KEYUP;
}

}  // namespace

int virtualKeyOf(int fltkKey) {
    for (const KeyRange& range : keyRanges)
        if (fltkKey >= range.firstFltkKey && fltkKey < range.firstFltkKey + range.count)
            return range.firstVirtualKey + (fltkKey - range.firstFltkKey);
    for (const KeyPair& pair : namedKeys)
        if (pair.fltkKey == fltkKey) return pair.virtualKey;
    return unmappedVirtualKey;
}

std::vector<int> fltkKeysOf(int virtualKey) {
    std::vector<int> keys;
    for (const KeyRange& range : keyRanges)
        if (virtualKey >= range.firstVirtualKey && virtualKey < range.firstVirtualKey + range.count)
            keys.push_back(range.firstFltkKey + (virtualKey - range.firstVirtualKey));
    for (const KeyPair& pair : namedKeys)
        if (pair.virtualKey == virtualKey) keys.push_back(pair.fltkKey);
    return keys;
}

bool KeyboardReading::isDown(int virtualKey) {
    if (!fresh) {
        XQueryKeymap(fl_display, keys.data());
        fresh = true;
    }
    // FLTK's key numbers are X keysyms, as Fl::event_key takes them.
    for (int key : fltkKeysOf(virtualKey)) {
        const unsigned keycode = XKeysymToKeycode(fl_display, static_cast<KeySym>(key));
        if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8)))) return true;
    }
    return false;
}

KeyMessage KeyTransitions::keyDown(int virtualKey, bool altHeld, bool ctrlHeld) {
    LPARAM flags = repeatCountOne;
    if (altHeld) flags |= altContext;
    if (!down.insert(virtualKey).second) flags |= previouslyDown;
    return {messageFor(virtualKey, true, altHeld, ctrlHeld), static_cast<WPARAM>(virtualKey), flags};
}

KeyMessage KeyTransitions::keyUp(int virtualKey, bool altHeld, bool ctrlHeld) {
    down.erase(virtualKey);
    LPARAM flags = repeatCountOne | previouslyDown | goingUp;
    if (altHeld) flags |= altContext;
    return {messageFor(virtualKey, false, altHeld, ctrlHeld), static_cast<WPARAM>(virtualKey), flags};
}

}  // namespace posix
