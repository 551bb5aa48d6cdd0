// Window classes and windows of the subset: what the framework relies on from user32.
#include <gtest/gtest.h>

#include "recorder.h"
#include "headless/driver.h"

namespace {

class WindowsTest : public testing::Test {
protected:
    WindowsTest() { registerRecordingClass("Recorder"); }
    headless::Driver driver;
};

TEST_F(WindowsTest, UnknownClassOrMissingParentCreatesNothing) {
    EXPECT_EQ(createRecordingWindow("Nobody", "x"), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "Button", "orphan", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
}

TEST_F(WindowsTest, ShowWindowMinimisesAndTellsWhetherItWasVisible) {
    const HWND window = createRecordingWindow("Recorder", "shown");
    EXPECT_TRUE(ShowWindow(window, SW_SHOWMINIMIZED));
    EXPECT_TRUE(driver.window(window).minimized);
    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));
    EXPECT_FALSE(driver.window(window).minimized);
}

TEST_F(WindowsTest, FindWindowLooksAtTopLevelWindowsByClassAndTitle) {
    const HWND first = createRecordingWindow("Recorder", "first");
    const HWND second = createRecordingWindow("Recorder", "second");
    EXPECT_EQ(FindWindowA("recorder", "first"), first);
    EXPECT_EQ(FindWindowA(nullptr, "second"), second);
    EXPECT_EQ(FindWindowA("Recorder", nullptr), second) << "the frontmost";
    EXPECT_EQ(FindWindowA("Button", nullptr), nullptr);
    EXPECT_TRUE(SetForegroundWindow(first));
    EXPECT_EQ(driver.topLevelWindows().front(), first);
}

UINT fatalMessage = 0;

LRESULT CALLBACK destroyedByOneMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({window, message, wParam, lParam});
    if (message != fatalMessage) return DefWindowProcA(window, message, wParam, lParam);
    DestroyWindow(window);
    return 0;
}

class WindowDestroyedByAMessage : public WindowsTest, public testing::WithParamInterface<UINT> {};

// Under the sanitizers: nothing in the subset reads a window's record after a message that
// ended the window.
TEST_P(WindowDestroyedByAMessage, LeavesTheSubsetNothingToReadAfterIt) {
    fatalMessage = GetParam();
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = destroyedByOneMessage;
    windowClass.lpszClassName = "Fragile";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, "Fragile", "fragile", WS_VISIBLE | WS_CAPTION, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 200, 100, nullptr, nullptr, nullptr, nullptr);
    const HWND button = CreateWindowExA(0, "Button", "Do", WS_CHILD | WS_VISIBLE, 1, 2, 30, 30, window,
                                        nullptr, nullptr, nullptr);
    SendMessageA(button, WM_LBUTTONDOWN, 1, MAKELPARAM(5, 5));  // takes the focus from the window
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EnableWindow(window, FALSE);
    EnableWindow(window, TRUE);
    ShowWindow(window, SW_HIDE);
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DestroyWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(button));
    const UINT count = static_cast<UINT>(
        std::count_if(received.begin(), received.end(),
                      [](const ReceivedMessage& message) { return message.message == fatalMessage; }));
    EXPECT_GE(count, 1u) << "the message was sent";
}

INSTANTIATE_TEST_SUITE_P(EachMessageTheSubsetSends, WindowDestroyedByAMessage,
                         testing::Values(WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                                         WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_COMMAND, WM_ENABLE,
                                         WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY));

TEST_F(WindowsTest, BeepRefusesWhatWindowsRefuses) {
    EXPECT_FALSE(Beep(36, 230));
    EXPECT_FALSE(Beep(32768, 230));
    EXPECT_TRUE(Beep(37, 10));
    EXPECT_TRUE(Beep(32767, 20));
    ASSERT_EQ(driver.tones().size(), 2u);
    EXPECT_EQ(driver.tones()[1].frequency, 32767u);
    EXPECT_EQ(driver.tones()[1].startMs, 10u);
    EXPECT_EQ(driver.nowMs(), 30u);
}

}  // namespace
