// GDK's keys as Windows' virtual keys.
#include <gtest/gtest.h>

#include <gdk/gdkkeysyms.h>

#include "gtk/key_codes.h"

namespace {

using posix::gdkKeysOf;
using posix::virtualKeyOf;

TEST(KeyCodesTest, KeysThePlayerUsesMapBothWays) {
    std::vector<int> virtualKeys = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB};
    for (int key = 'A'; key <= 'Z'; ++key) virtualKeys.push_back(key);
    for (int key = '0'; key <= '9'; ++key) virtualKeys.push_back(key);
    for (int key = VK_F1; key <= VK_F12; ++key) virtualKeys.push_back(key);
    for (int key = VK_NUMPAD0; key <= VK_NUMPAD9; ++key) virtualKeys.push_back(key);
    for (int virtualKey : virtualKeys) {
        const std::vector<int> keys = gdkKeysOf(virtualKey);
        ASSERT_FALSE(keys.empty()) << "virtual key " << virtualKey;
        for (int key : keys) EXPECT_EQ(virtualKeyOf(key), virtualKey) << "GDK key " << key;
    }
}

TEST(KeyCodesTest, NamedKeysAreTheOnesWindowsMeans) {
    EXPECT_EQ(virtualKeyOf(GDK_KEY_r), 'R');
    EXPECT_EQ(virtualKeyOf(GDK_KEY_F1), VK_F1);
    EXPECT_EQ(virtualKeyOf(GDK_KEY_F10), VK_F10);
    EXPECT_EQ(virtualKeyOf(GDK_KEY_KP_0), VK_NUMPAD0);
    EXPECT_EQ(virtualKeyOf(GDK_KEY_KP_9), VK_NUMPAD9);
    EXPECT_EQ(virtualKeyOf(GDK_KEY_KP_Enter), VK_RETURN);
    // Either Shift, Ctrl or Alt key is the one virtual key, and GetAsyncKeyState asks for both.
    EXPECT_EQ(gdkKeysOf(VK_SHIFT), (std::vector<int>{GDK_KEY_Shift_L, GDK_KEY_Shift_R}));
    EXPECT_EQ(gdkKeysOf(VK_CONTROL), (std::vector<int>{GDK_KEY_Control_L, GDK_KEY_Control_R}));
    EXPECT_EQ(gdkKeysOf(VK_MENU), (std::vector<int>{GDK_KEY_Alt_L, GDK_KEY_Alt_R}));
    // The keypad's digits are not the digits of the main keyboard.
    EXPECT_EQ(gdkKeysOf(VK_NUMPAD0 + 5), (std::vector<int>{GDK_KEY_KP_5}));
    EXPECT_EQ(gdkKeysOf('5'), (std::vector<int>{GDK_KEY_5}));
}

TEST(KeyCodesTest, KeysWithoutAVirtualKeyStillBecomeMessages) {
    EXPECT_EQ(virtualKeyOf(GDK_KEY_Print), posix::unmappedVirtualKey);
    EXPECT_TRUE(gdkKeysOf(posix::unmappedVirtualKey).empty());
    EXPECT_TRUE(gdkKeysOf(0).empty());
}

}  // namespace
