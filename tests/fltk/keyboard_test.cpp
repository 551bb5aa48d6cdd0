// FLTK's keys as Windows' virtual keys, and the keyboard messages posted for them.
#include <gtest/gtest.h>

#include <FL/Enumerations.H>

#include "fltk/keyboard.h"
#include "headless/driver.h"

namespace {

using posix::fltkKeysOf;
using posix::KeyTransitions;
using posix::virtualKeyOf;

constexpr LPARAM altContext = LPARAM{1} << 29;
constexpr LPARAM previouslyDown = LPARAM{1} << 30;
constexpr LPARAM goingUp = static_cast<LPARAM>(DWORD{1} << 31);

TEST(KeyboardTest, KeysThePlayerUsesMapBothWays) {
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

TEST(KeyboardTest, NamedKeysAreTheOnesWindowsMeans) {
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

TEST(KeyboardTest, KeysWithoutAVirtualKeyStillBecomeMessages) {
    EXPECT_EQ(virtualKeyOf(FL_Print), posix::unmappedVirtualKey);
    EXPECT_TRUE(fltkKeysOf(posix::unmappedVirtualKey).empty());
    EXPECT_TRUE(fltkKeysOf(0).empty());
}

TEST(KeyboardTest, PreviousStateAndTransitionBits) {
    KeyTransitions keys;
    const posix::KeyMessage first = keys.keyDown(VK_F1, false, false);
    EXPECT_EQ(first.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(first.virtualKey, static_cast<WPARAM>(VK_F1));
    EXPECT_EQ(first.flags, 1);
    const posix::KeyMessage repeated = keys.keyDown(VK_F1, false, false);
    EXPECT_EQ(repeated.flags, 1 | previouslyDown);
    const posix::KeyMessage up = keys.keyUp(VK_F1, false, false);
    EXPECT_EQ(up.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(up.flags, 1 | previouslyDown | goingUp);
    EXPECT_EQ(keys.keyDown(VK_F1, false, false).flags, 1) << "released, it starts afresh";
    EXPECT_EQ(keys.keyDown(VK_F2, false, false).flags, 1) << "each key has its own state";
}

TEST(KeyboardTest, AltMakesSystemKeysButNotWithCtrl) {
    KeyTransitions keys;
    const posix::KeyMessage altF = keys.keyDown('F', true, false);
    EXPECT_EQ(altF.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(altF.flags & altContext, altContext);
    EXPECT_EQ(keys.keyUp('F', true, false).message, static_cast<UINT>(WM_SYSKEYUP));
    // F10 is the menu key: a system key without Alt.
    const posix::KeyMessage f10 = keys.keyDown(VK_F10, false, false);
    EXPECT_EQ(f10.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(f10.flags & altContext, 0);
    // Ctrl with Alt (AltGr on many keyboards) types; it is no system key.
    const posix::KeyMessage altGr = keys.keyDown('Q', true, true);
    EXPECT_EQ(altGr.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(altGr.flags & altContext, altContext);
}

TEST(KeyboardTest, AltF4ClosesTheWindowThroughItsSystemCommand) {
    headless::Driver driver;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Plain";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "Plain", "plain", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    KeyTransitions keys;
    for (bool alt : {false, true}) {
        const posix::KeyMessage message = keys.keyDown(VK_F4, alt, false);
        DefWindowProcA(window, message.message, message.virtualKey, message.flags);
        keys.keyUp(VK_F4, alt, false);
    }
    ASSERT_EQ(posix::desktop().posted.size(), 1u) << "F4 alone closes nothing";
    EXPECT_EQ(posix::desktop().posted.front().message.message, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(posix::desktop().posted.front().message.wParam, static_cast<WPARAM>(SC_CLOSE));
}

}  // namespace
