// The help box, the About window and its nested loop, and every menu item.
#include "program.h"

namespace {

using HelpAndAboutTest = ProgramTest;

const std::string helpText =
    "You can control this program in several ways. Although it's also possible \n"
    "to make music by pressing the buttons, most people prefer using F1 to F10 or \n"
    "Numpad 0 to 9. \n\n"
    "If you're using the keyboard, you can make the tone a lot higher by \n"
    "pressing [SHIFT] or a little bit higher by pressing [CTRL]. \n\n"
    "If you want to be discrete, you can choose File | Hide Interface. Although \n"
    "the interface isn't visible anymore, you can still use the keyboard to \n"
    "make music. To make the interface visible again, just press \"Pipalo 2\" \n"
    "in your task bar.";

TEST_F(HelpAndAboutTest, HelpFromTheMenuShowsTheHelpText) {
    driver.answerMessageBox(IDOK);
    choose(IDM_CONTENTS);
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    const headless::ShownMessageBox& box = driver.messageBoxes()[0];
    EXPECT_EQ(box.text, helpText);
    EXPECT_EQ(box.caption, "Contents");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_TRUE(box.ownerDisabled);
}

TEST_F(HelpAndAboutTest, AboutWindowShowsPictureTextAndStatusLine) {
    choose(IDM_ABOUT);
    then([this] {
        const HWND about = aboutWindow();
        ASSERT_NE(about, nullptr);
        const posix::WindowRecord& window = driver.window(about);
        EXPECT_EQ(window.className, "About");
        EXPECT_EQ(window.width, 320);
        EXPECT_EQ(window.height, 210);
        EXPECT_NE(window.icon, nullptr);
        EXPECT_EQ(window.icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(116)));
        EXPECT_EQ(window.smallIcon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(117)));
        ASSERT_EQ(window.children.size(), 3u);
        const posix::WindowRecord& picture = driver.window(window.children[0]);
        EXPECT_EQ(picture.style, 0x5000000Eu);
        EXPECT_EQ(picture.width, 320);
        EXPECT_EQ(picture.height, 74);
        const posix::WindowRecord& text = driver.window(window.children[1]);
        EXPECT_EQ(text.text,
                  "This program was downloaded from www.tarnwell.example, look there for much "
                  "more free programs!\n\nSpecial thanks go to Jan Klankmaker.");
        EXPECT_EQ(std::make_tuple(text.x, text.y, text.width, text.height), std::make_tuple(5, 75, 300, 100));
        const posix::WindowRecord& status = driver.window(window.children[2]);
        EXPECT_EQ(status.text, "Pipalo 2 - www.tarnwell.example");
        EXPECT_EQ(std::make_tuple(status.x, status.y, status.width, status.height),
                  std::make_tuple(0, 159, 320, 20));
        driver.pressCloseBox(about);
    });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
}

TEST_F(HelpAndAboutTest, WhileAboutIsOpenButtonsPlayAndKeysAreSilent) {
    press(VK_F2, {VK_CONTROL});  // Re#4, then the About window
    click("Mi");
    press(VK_F1);
    then([this] {
        EXPECT_NE(aboutWindow(), nullptr);
        driver.pressCloseBox(aboutWindow());
    });
    press(VK_F1);  // the main loop polls again, for the key-down and for its WM_KEYF1
    choose(IDM_ABOUT);
    then([this] {
        EXPECT_NE(aboutWindow(), nullptr) << "a fresh About window";
        driver.pressCloseBox(aboutWindow());
    });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{313, 331, 263, 263}));
}

TEST_F(HelpAndAboutTest, SecondAboutRequestBringsTheOpenOneToTheFront) {
    choose(IDM_ABOUT);
    then([this] {
        SetForegroundWindow(mainWindow());
        driver.chooseMenuItem(mainWindow(), IDM_ABOUT);
    });
    then([this] {
        ASSERT_EQ(driver.topLevelWindows().size(), 2u);
        EXPECT_EQ(driver.topLevelWindows().front(), aboutWindow());
        driver.pressCloseBox(aboutWindow());
    });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
}

TEST_F(HelpAndAboutTest, ClosingTheMainWindowWhileAboutIsOpenEndsTheProgram) {
    choose(IDM_ABOUT);
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.topLevelWindows().empty());
}

// The main window closed, on its own answer, right as About closes: both quit requests end
// the inner loop, and the program still ends.
TEST_F(HelpAndAboutTest, AboutClosedRightAfterTheClosingQuestionEndsTheProgram) {
    driver.answerMessageBox(IDOK);
    choose(IDM_START_RECORDING);
    choose(IDM_ABOUT);
    closeMainWindow();
    driver.answerMessageBox([this] {
        driver.pressCloseBox(aboutWindow());
        return IDNO;
    });
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.topLevelWindows().empty());
}

class BothCloseBoxesTest : public ProgramTest, public testing::WithParamInterface<bool> {};

// Both pressed while a tone holds the loop, in either order.
TEST_P(BothCloseBoxesTest, PressedBeforeTheLoopTakesEitherEndTheProgram) {
    const bool aboutFirst = GetParam();
    choose(IDM_ABOUT);
    then([this, aboutFirst] {
        driver.pressCloseBox(aboutFirst ? aboutWindow() : mainWindow());
        driver.pressCloseBox(aboutFirst ? mainWindow() : aboutWindow());
    });
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.topLevelWindows().empty());
}

INSTANTIATE_TEST_SUITE_P(Orders, BothCloseBoxesTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& order) {
                             return order.param ? "AboutFirst" : "MainFirst";
                         });

TEST_F(HelpAndAboutTest, ExitWhileAboutIsOpenEndsTheProgram) {
    choose(IDM_ABOUT);
    choose(IDM_EXIT);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(aboutWindow(), nullptr);
}

TEST_F(HelpAndAboutTest, EveryMenuItemRunsItsCommand) {
    std::vector<UINT> ids;
    then([this, &ids] {
        for (const posix::MenuItem& menu : driver.menuOf(mainWindow())->items)
            for (const posix::MenuItem& item : menu.popup)
                if (!item.separator) ids.push_back(item.id);
    });
    driver.answerMessageBox(IDOK);  // Start Recording
    driver.answerMessageBox(IDNO);  // Stop Recording...: do not save
    driver.answerMessageBox(IDOK);  // Contents
    driver.cancelFileDialog();      // Play...
    choose(IDM_HIDE_INTERFACE);
    then([this] { EXPECT_TRUE(driver.window(mainWindow()).minimized); });
    choose(IDM_START_RECORDING);
    choose(IDM_STOP_RECORDING);
    choose(IDM_RESET_RECORDING);
    choose(IDM_PLAY);
    choose(IDM_CONTENTS);
    choose(IDM_ABOUT);
    then([this] {
        EXPECT_NE(aboutWindow(), nullptr);
        driver.pressCloseBox(aboutWindow());
    });
    choose(IDM_EXIT);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(ids, (std::vector<UINT>{IDM_HIDE_INTERFACE, IDM_EXIT, IDM_START_RECORDING, IDM_STOP_RECORDING,
                                      IDM_RESET_RECORDING, IDM_PLAY, IDM_CONTENTS, IDM_ABOUT}));
    EXPECT_EQ(boxTexts(),
              (std::vector<std::string>{
                  "Recording has started, when you end the recording, \nyou will be asked to select a filename.",
                  "Would you like to save?", helpText}));
    EXPECT_EQ(driver.fileDialogs().size(), 1u);
    EXPECT_TRUE(recordingBuffer.empty()) << "Reset Recording emptied it";
}

}  // namespace
