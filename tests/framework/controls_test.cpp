// Controls on a window and the dispatch of commands, notifications and messages to callbacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/driver.h"
#include "window.h"

namespace {


std::vector<std::string> calls;

void first(Window*) { calls.push_back("first"); }
void second(Window*) { calls.push_back("second"); }
void third(Window*) { calls.push_back("third"); }
void closeWhileOpen(Window* window) {
    calls.push_back(IsWindow(window->getHandle()) ? "close, window open" : "close, window gone");
}

class ControlsTest : public testing::Test {
protected:
    ControlsTest() : window(GetModuleHandleA(nullptr), 0, 0, "Controls") {
        calls.clear();
        window.create("Controls", 305, 145, 0);
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return SendMessageA(window.getHandle(), message, wParam, lParam);
    }
    headless::Driver driver;
    Window window;
};

TEST_F(ControlsTest, ButtonsAreChildPushButtonsNumberedFrom1000) {
    EXPECT_EQ(window.addButton("Do", 10, 10, 33, 33, first), 0);
    EXPECT_EQ(window.addButton("Re", 50, 10, 33, 33, second), 1);
    const HWND re = driver.findControl(window.getHandle(), "Re");
    ASSERT_NE(re, nullptr);
    const posix::WindowRecord& record = driver.window(re);
    EXPECT_EQ(record.className, "Button");
    EXPECT_EQ(record.style, 0x50010000u);
    EXPECT_EQ(record.id, 1001);
    EXPECT_EQ(record.x, 50);
    EXPECT_EQ(record.width, 33);

    driver.click(re);
    driver.then([&] { window.quit(); });
    window.run();
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
}

TEST_F(ControlsTest, FailedButtonLeavesItsSlotToTheNext) {
    driver.failNextCreation("Button");
    EXPECT_EQ(window.addButton("Lost", 0, 0, 10, 10, first), -1);
    EXPECT_EQ(window.addButton("Kept", 0, 0, 10, 10, second), 0);
    EXPECT_EQ(driver.window(driver.findControl(window.getHandle(), "Kept")).id, 1000);
    send(WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED));
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
}

TEST_F(ControlsTest, CommandsShareTheSlotsAndTheLowerSlotWins) {
    window.addCommand(1001, first);        // slot 0
    EXPECT_EQ(window.addButton("B", 0, 0, 10, 10, second), 1);  // id 1001 as well
    window.addCommand(40002, third);
    window.addCommand(0x10000 + 40002, first);  // never matches: ids are 16 bits

    send(WM_COMMAND, MAKEWPARAM(1001, 0));
    send(WM_COMMAND, MAKEWPARAM(40002, 0));
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
}

TEST_F(ControlsTest, OnlyMenuCommandsAndClicksAreDispatched) {
    window.addCommand(40001, first);
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40001, 1)), 0);  // an accelerator
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40001, 5)), 0);  // another notification
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40003, 0)), 0);  // nothing bound
    EXPECT_TRUE(calls.empty());
}

TEST_F(ControlsTest, CapacityOfSlotsAndMessageHandlersIsEnforced) {
    for (int slot = 0; slot < 31; ++slot) window.addCommand(100 + slot, first);
    EXPECT_EQ(window.addButton("Last", 0, 0, 10, 10, second), 31);
    EXPECT_EQ(window.addButton("Too many", 0, 0, 10, 10, second), -1);
    EXPECT_EQ(driver.findControl(window.getHandle(), "Too many"), nullptr);
    window.addCommand(500, third);
    send(WM_COMMAND, MAKEWPARAM(500, 0));

    for (int handler = 0; handler < 5; ++handler) window.addMessageHandler(WM_USER, first);
    window.addMessageHandler(WM_USER, third);
    send(WM_USER, 0);
    EXPECT_EQ(calls, std::vector<std::string>(5, "first"));
}

TEST_F(ControlsTest, AllMatchingHandlersRunBeforeTheDefaultProcessing) {
    window.addMessageHandler(WM_CLOSE, closeWhileOpen);
    window.addMessageHandler(WM_SIZE, second);
    window.addMessageHandler(WM_CLOSE, closeWhileOpen);
    send(WM_CLOSE, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"close, window open", "close, window open"}));
    EXPECT_FALSE(IsWindow(window.getHandle()));
}

TEST_F(ControlsTest, NotificationsAreSwallowed) {
    window.addMessageHandler(WM_NOTIFY, first);
    EXPECT_EQ(send(WM_NOTIFY, 12, 34), 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ControlsTest, LabelsAreNumberedByTheOnesCreated) {
    driver.failNextCreation("Static");
    EXPECT_EQ(window.addLabel("lost", 0, 0, 10, 10), -1);
    EXPECT_EQ(window.addLabel("one", 5, 75, 300, 100), 0);
    EXPECT_EQ(window.addLabel("two", 0, 0, 10, 10), 1);
    const posix::WindowRecord& label = driver.window(driver.findControl(window.getHandle(), "one"));
    EXPECT_EQ(label.className, "Static");
    EXPECT_EQ(label.style, 0x50000000u);
    EXPECT_EQ(label.y, 75);
    EXPECT_EQ(label.height, 100);
}

TEST_F(ControlsTest, LabelTurnedIntoAPictureTakesTheBitmapsSize) {
    ASSERT_EQ(window.addLabel("", 0, 0, 0, 0), 0);
    EXPECT_EQ(window.setLabelBitmap(0, 301), nullptr);  // it showed nothing before
    const HWND label = driver.window(window.getHandle()).children.front();
    EXPECT_EQ(driver.window(label).style, 0x5000000Eu);
    EXPECT_EQ(driver.window(label).width, 5);
    EXPECT_EQ(driver.window(label).height, 3);
    EXPECT_NE(window.setLabelBitmap(0, 301), nullptr);  // the first bitmap comes back
    EXPECT_EQ(window.setLabelBitmap(7, 301), nullptr);
}

TEST_F(ControlsTest, MissingBitmapLeavesThePictureEmpty) {
    window.addLabel("", 0, 0, 0, 0);
    window.setLabelBitmap(0, 999);
    EXPECT_EQ(driver.window(driver.window(window.getHandle()).children.front()).image, nullptr);
}

TEST_F(ControlsTest, StatusLineSitsAlongTheBottomAboveTheMenu) {
    EXPECT_EQ(window.addStatusLine("no menu"), 0);
    window.setMenu(300);
    EXPECT_EQ(window.addStatusLine("with menu"), 1);
    const posix::WindowRecord& plain = driver.window(driver.findControl(window.getHandle(), "no menu"));
    const posix::WindowRecord& raised =
        driver.window(driver.findControl(window.getHandle(), "with menu"));
    EXPECT_EQ(plain.style, 0x50001000u);
    EXPECT_EQ(plain.x, 0);
    EXPECT_EQ(plain.y, 145 - 51);
    EXPECT_EQ(plain.width, 305);
    EXPECT_EQ(plain.height, 20);
    EXPECT_EQ(raised.y, 145 - 20 - 51);
}

}  // namespace
