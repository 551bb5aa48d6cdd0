// GDK's keys as Windows' virtual keys.
#include "gtk/key_codes.h"

#include <gdk/gdkkeysyms.h>

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
    int gdkKey;
};

// Keys whose codes do not follow a range. A virtual key may stand for several GDK keys.
constexpr KeyPair namedKeys[] = {
    {VK_BACK, GDK_KEY_BackSpace},   {VK_TAB, GDK_KEY_Tab},           {VK_RETURN, GDK_KEY_Return},
    {VK_RETURN, GDK_KEY_KP_Enter},  {VK_SHIFT, GDK_KEY_Shift_L},     {VK_SHIFT, GDK_KEY_Shift_R},
    {VK_CONTROL, GDK_KEY_Control_L}, {VK_CONTROL, GDK_KEY_Control_R}, {VK_MENU, GDK_KEY_Alt_L},
    {VK_MENU, GDK_KEY_Alt_R},       {VK_ESCAPE, GDK_KEY_Escape},     {VK_SPACE, GDK_KEY_space},
    {vkPageUp, GDK_KEY_Page_Up},    {vkPageDown, GDK_KEY_Page_Down}, {vkEnd, GDK_KEY_End},
    {vkHome, GDK_KEY_Home},         {vkLeft, GDK_KEY_Left},          {vkUp, GDK_KEY_Up},
    {vkRight, GDK_KEY_Right},       {vkDown, GDK_KEY_Down},          {vkInsert, GDK_KEY_Insert},
    {vkDelete, GDK_KEY_Delete},
};

// Ranges of keys numbered alike on both sides: letters, digits, F1 to F12, the keypad's digits.
struct KeyRange {
    int firstVirtualKey;
    int firstGdkKey;
    int count;
};

constexpr KeyRange keyRanges[] = {
    {'A', GDK_KEY_a, 26},
    {'0', GDK_KEY_0, 10},
    {VK_F1, GDK_KEY_F1, 12},
    {VK_NUMPAD0, GDK_KEY_KP_0, 10},
};

}  // namespace

int virtualKeyOf(int gdkKey) {
    for (const KeyRange& range : keyRanges)
        if (gdkKey >= range.firstGdkKey && gdkKey < range.firstGdkKey + range.count)
            return range.firstVirtualKey + (gdkKey - range.firstGdkKey);
    for (const KeyPair& pair : namedKeys)
        if (pair.gdkKey == gdkKey) return pair.virtualKey;
    return unmappedVirtualKey;
}

std::vector<int> gdkKeysOf(int virtualKey) {
    std::vector<int> keys;
    for (const KeyRange& range : keyRanges)
        if (virtualKey >= range.firstVirtualKey && virtualKey < range.firstVirtualKey + range.count)
            keys.push_back(range.firstGdkKey + (virtualKey - range.firstVirtualKey));
    for (const KeyPair& pair : namedKeys)
        if (pair.virtualKey == virtualKey) keys.push_back(pair.gdkKey);
    return keys;
}

}  // namespace posix
