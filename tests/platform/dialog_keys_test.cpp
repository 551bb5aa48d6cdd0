// Tab, Space and Enter in a window's controls, through IsDialogMessageA.
#include <gtest/gtest.h>

#include "recorder.h"
#include "headless/driver.h"

namespace {

class DialogKeysTest : public testing::Test {
protected:
    DialogKeysTest() {
        registerRecordingClass("Recorder");
        window = createRecordingWindow("Recorder", "keys");
        first = addButton("first", 1000);
        second = addButton("second", 1001);
        other = createRecordingWindow("Recorder", "other");
        received.clear();
    }
    HWND addButton(const char* text, int id) {
        return CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 10, 10,
                               window, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)),
                               nullptr, nullptr);
    }
    // Runs the messages posted so far through IsDialogMessageA as a loop would.
    int pump() {
        int handled = 0;
        MSG message;
        while (posix::pollMessage(message) == posix::Taken::message)
            if (IsDialogMessageA(window, &message))
                ++handled;
            else
                DispatchMessageA(&message);
        return handled;
    }
    std::vector<WPARAM> commands() const {
        std::vector<WPARAM> result;
        for (const ReceivedMessage& message : received)
            if (message.window == window && message.message == WM_COMMAND) result.push_back(message.wParam);
        return result;
    }
    headless::Driver driver;
    HWND window, first, second, other;
};

TEST_F(DialogKeysTest, TabMovesTheFocusAndSpaceClicksTheFocusedButton) {
    SetForegroundWindow(window);
    driver.holdKey(VK_TAB);
    driver.releaseKey(VK_TAB);
    driver.holdKey(VK_TAB);
    driver.releaseKey(VK_TAB);
    pump();
    EXPECT_EQ(posix::desktop().focus, second);
    driver.holdKey(VK_SPACE);
    driver.releaseKey(VK_SPACE);
    pump();
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(1001, BN_CLICKED)}));
}

TEST_F(DialogKeysTest, EnterSendsTheOkCommand) {
    SetForegroundWindow(window);
    driver.holdKey(VK_RETURN);
    pump();
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED)}));
}

TEST_F(DialogKeysTest, MessagesOfOtherWindowsAreLeftToTheCaller) {
    PostMessageA(other, WM_MOUSEMOVE, 0, 0);
    PostMessageA(window, WM_MOUSEMOVE, 0, 0);
    PostMessageA(first, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(pump(), 2);
    EXPECT_EQ(messagesOf(other), (std::vector<UINT>{WM_MOUSEMOVE}));
    EXPECT_EQ(messagesOf(window), (std::vector<UINT>{WM_MOUSEMOVE}));
}

}  // namespace
