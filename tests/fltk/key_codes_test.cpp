// FLTK's keys as Windows' virtual keys.
#include <gtest/gtest.h>

#include <FL/Enumerations.H>

#include "fltk/key_codes.h"

namespace {

using posix::fltkKeysOf;
using posix::virtualKeyOf;

TEST(KeyCodesTest, KeysThePlayerUsesMapBothWays) {
    std::vector<int> virtualKeys = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB};
    for (int key = 'A'; key <= 'Z'; ++key) virtualKeys.push_back(key);
    for (int key = '0'; key <= '9'; ++key) virtualKeys.push_back(key);
    for (int key = VK_F1; key <= VK_F12; ++key) virtualKeys.push_back(key);
    for (int key = VK_NUMPAD0; key <= VK_NUMPAD9; ++key) virtualKeys.push_back(key);
    for (int virtualKey : virtualKeys) {
        const std::vector<int> keys = fltkKeysOf(virtualKey);
        ASSERT_FALSE(keys.empty()) << "virtual key " << virtualKey;
        for (int key : keys) EXPECT_EQ(virtualKeyOf(key), virtualKey) << "FLTK key " << key;
    }
}

TEST(KeyCodesTest, NamedKeysAreTheOnesWindowsMeans) {
    EXPECT_EQ(virtualKeyOf('r'), 'R');
    EXPECT_EQ(virtualKeyOf(FL_F + 1), VK_F1);
    EXPECT_EQ(virtualKeyOf(FL_F + 10), VK_F10);
    EXPECT_EQ(virtualKeyOf(FL_KP + '0'), VK_NUMPAD0);
    EXPECT_EQ(virtualKeyOf(FL_KP + '9'), VK_NUMPAD9);
    EXPECT_EQ(virtualKeyOf(FL_KP_Enter), VK_RETURN);
    // Either Shift, Ctrl or Alt key is the one virtual key, and GetAsyncKeyState asks for both.
    EXPECT_EQ(fltkKeysOf(VK_SHIFT), (std::vector<int>{FL_Shift_L, FL_Shift_R}));
    EXPECT_EQ(fltkKeysOf(VK_CONTROL), (std::vector<int>{FL_Control_L, FL_Control_R}));
    EXPECT_EQ(fltkKeysOf(VK_MENU), (std::vector<int>{FL_Alt_L, FL_Alt_R}));
    // The keypad's digits are not the digits of the main keyboard.
    EXPECT_EQ(fltkKeysOf(VK_NUMPAD0 + 5), (std::vector<int>{FL_KP + '5'}));
    EXPECT_EQ(fltkKeysOf('5'), (std::vector<int>{'5'}));
}

TEST(KeyCodesTest, KeysWithoutAVirtualKeyStillBecomeMessages) {
    EXPECT_EQ(virtualKeyOf(FL_Print), posix::unmappedVirtualKey);
    EXPECT_TRUE(fltkKeysOf(posix::unmappedVirtualKey).empty());
    EXPECT_TRUE(fltkKeysOf(0).empty());
}

}  // namespace
