// The keyboard messages posted for a key going down or up.
#include <gtest/gtest.h>

#include "headless/driver.h"
#include "key_messages.h"

namespace {

using posix::KeyTransitions;

constexpr LPARAM altContext = LPARAM{1} << 29;
constexpr LPARAM previouslyDown = LPARAM{1} << 30;
constexpr LPARAM goingUp = static_cast<LPARAM>(DWORD{1} << 31);

TEST(KeyMessagesTest, PreviousStateAndTransitionBits) {
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

// Alt and Ctrl with Alt are checked against Windows among the conformance cases.
TEST(KeyMessagesTest, F10IsTheMenuKeyASystemKeyWithoutAlt) {
    KeyTransitions keys;
    const posix::KeyMessage f10 = keys.keyDown(VK_F10, false, false);
    EXPECT_EQ(f10.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(f10.flags & altContext, 0);
    EXPECT_EQ(keys.keyUp(VK_F10, false, false).message, static_cast<UINT>(WM_SYSKEYUP));
}

TEST(KeyMessagesTest, AltF4ClosesTheWindowThroughItsSystemCommand) {
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
