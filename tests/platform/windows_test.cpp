// Window classes and windows of the subset: what the framework relies on from user32.
#include <gtest/gtest.h>

#include "recorder.h"
#include "test_driver/driver.h"

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
