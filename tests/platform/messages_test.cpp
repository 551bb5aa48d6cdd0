// The message queue, the quit request and the loops of modal boxes.
#include <gtest/gtest.h>

#include "modal_loop.h"
#include "recorder.h"
#include "headless/driver.h"

namespace {

class MessagesTest : public testing::Test {
protected:
    MessagesTest() {
        registerRecordingClass("Recorder");
        window = createRecordingWindow("Recorder", "queue");
        received.clear();
    }
    headless::Driver driver;
    HWND window;
};

TEST_F(MessagesTest, MessageBoxDisablesItsOwnerWhileItIsShown) {
    driver.answerMessageBox(IDNO);
    EXPECT_EQ(MessageBoxA(window, "Save?", "Question", MB_YESNO), IDNO);
    driver.answerMessageBox(IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Text", nullptr, MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(driver.messageBoxes().size(), 2u);
    EXPECT_TRUE(driver.messageBoxes()[0].ownerDisabled);
    EXPECT_EQ(driver.messageBoxes()[0].owner, window);
    EXPECT_EQ(driver.messageBoxes()[0].style, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(driver.messageBoxes()[1].caption, "Error");
    EXPECT_TRUE(driver.window(window).enabled);
}

TEST_F(MessagesTest, ModalLoopDispatchesOtherWindowsMessagesAndYieldsToAQuit) {
    PostMessageA(window, WM_USER + 5, 0, 0);
    int checks = 0;
    driver.then([] { PostQuitMessage(4); });
    EXPECT_FALSE(posix::runModalLoop([&] { return ++checks > 100; }));
    EXPECT_EQ(messagesOf(window), (std::vector<UINT>{WM_USER + 5}));
    // The quit is posted again for the loop outside.
    MSG message;
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.wParam, 4u);
}

TEST_F(MessagesTest, ModalLoopEndsOnceAnswered) {
    bool answered = false;
    driver.then([&] { answered = true; });
    EXPECT_TRUE(posix::runModalLoop([&] { return answered; }));
}

// The record's size is checked by the conformance cases.
TEST_F(MessagesTest, FileDialogChecksItsBuffer) {
    OPENFILENAMEA dialog = {};
    char path[8] = "";
    char title[4] = "";
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = sizeof title;
    driver.chooseFile("/tmp/a");
    EXPECT_TRUE(GetSaveFileNameA(&dialog));
    EXPECT_STREQ(path, "/tmp/a");
    EXPECT_STREQ(title, "a");
    EXPECT_EQ(dialog.nFileOffset, 5);
    driver.chooseFile("/tmp/abcdefgh");
    EXPECT_FALSE(GetSaveFileNameA(&dialog));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
}

}  // namespace
