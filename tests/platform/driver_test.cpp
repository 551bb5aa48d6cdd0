// The test driver never lets a test hang: what it cannot answer fails the test.
#include <gtest/gtest.h>

#include "recorder.h"
#include "headless/driver.h"

namespace {

class DriverTest : public testing::Test {
protected:
    DriverTest() {
        headless::Driver::setFailureReporter([this](const std::string& message) { failures.push_back(message); });
        registerRecordingClass("Recorder");
        window = createRecordingWindow("Recorder", "driven");
    }
    ~DriverTest() override {
        headless::Driver::setFailureReporter([](const std::string& message) { ADD_FAILURE() << message; });
    }
    std::vector<std::string> failures;
    headless::Driver driver;
    HWND window;
};

TEST_F(DriverTest, UnansweredBoxFailsNamingItsTextAndIsRefused) {
    EXPECT_EQ(MessageBoxA(window, "Would you like to save?", "Save", MB_YESNO), IDNO);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Would you like to save?"), std::string::npos);
}

TEST_F(DriverTest, UnansweredDialogFailsAndIsCancelled) {
    char path[16] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = "Play...";
    EXPECT_FALSE(GetOpenFileNameA(&dialog));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("Play..."), std::string::npos);
}

TEST_F(DriverTest, LoopLeftWaitingFailsAndEnds) {
    MSG message;
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("waits for input"), std::string::npos);
}

TEST_F(DriverTest, InputToADisabledWindowIsLost) {
    EnableWindow(window, FALSE);
    driver.holdKey(VK_F1);
    driver.pressCloseBox(window);
    MSG message;
    EXPECT_EQ(posix::pollMessage(message), posix::Taken::nothing);
    EXPECT_TRUE(driver.isKeyDown(VK_F1)) << "the key is still down physically";
}

}  // namespace
