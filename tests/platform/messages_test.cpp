// The message queue, the quit request and the loops of modal boxes.
#include <gtest/gtest.h>

#include "modal_loop.h"
#include "recorder.h"
#include "test_driver/driver.h"

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

TEST_F(MessagesTest, QuitIsTakenOnlyAfterEveryPostedMessage) {
    PostQuitMessage(3);
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostMessageA(window, WM_USER + 2, 0, 0);
    MSG message;
    EXPECT_TRUE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_TRUE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_TRUE(received.empty()) << "taking a message does not dispatch it";
}

TEST_F(MessagesTest, SendCallsAtOncePostWaitsForDispatch) {
    SendMessageA(window, WM_USER + 1, 7, 8);
    ASSERT_EQ(messagesOf(window), (std::vector<UINT>{WM_USER + 1}));
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    PostMessageA(window, WM_USER + 2, 0, 0);
    EXPECT_EQ(received.size(), 1u);
    MSG message;
    GetMessageA(&message, nullptr, 0, 0);
    DispatchMessageA(&message);
    EXPECT_EQ(messagesOf(window), (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

TEST_F(MessagesTest, TakingF1FromTheKeyboardPostsKeyF1AndAsksForHelp) {
    const HWND button = CreateWindowExA(0, "Button", "b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window,
                                        reinterpret_cast<HMENU>(5), nullptr, nullptr);
    SetFocus(window);
    PostMessageA(window, WM_KEYDOWN, VK_F1, 1);  // not from the keyboard: no help
    driver.holdKey(VK_F2);
    driver.holdKey(VK_F1);
    MSG message;
    std::vector<UINT> taken;
    for (int count = 0; count < 4; ++count) {
        ASSERT_TRUE(GetMessageA(&message, nullptr, 0, 0));
        taken.push_back(message.message);
        EXPECT_EQ(message.hwnd, window);
        if (count == 3) {
            EXPECT_EQ(message.wParam, 0u);
        }
        DispatchMessageA(&message);
    }
    EXPECT_EQ(taken, (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_KEYDOWN, WM_KEYF1}));
    // The default procedure answers WM_KEYF1 with WM_HELP, sent to the window itself.
    ASSERT_EQ(received.back().message, static_cast<UINT>(WM_HELP));
    EXPECT_EQ(messagesOf(window).back(), static_cast<UINT>(WM_HELP));

    // A control's WM_HELP goes up to its parent.
    received.clear();
    HELPINFO help = {};
    help.cbSize = sizeof help;
    DefWindowProcA(button, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    ASSERT_EQ(messagesOf(window), (std::vector<UINT>{WM_HELP}));
    EXPECT_EQ(received[0].lParam, reinterpret_cast<LPARAM>(&help));
}

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

TEST_F(MessagesTest, FileDialogChecksItsRecordAndBuffer) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&dialog));
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_TRUE(driver.fileDialogs().empty());

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
