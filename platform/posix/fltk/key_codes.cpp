// FLTK's keys as Windows' virtual keys.
#include "fltk/key_codes.h"

#include <FL/Enumerations.H>

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

}  // namespace posix
