// The main window as a user sees and hears it: its layout, and the note each
// button and key plays with each modifier.
#include <map>
#include <tuple>

#include "program.h"

namespace {

constexpr unsigned Do4 = 263, DoS4 = 278, Re4 = 295, ReS4 = 313, Mi4 = 331, Fa4 = 351, FaS4 = 372,
                   Sol4 = 394, SolS4 = 417, La4 = 442, LaS4 = 468, Si4 = 496;
constexpr unsigned Do5 = 526, DoS5 = 557, Re5 = 590, ReS5 = 625, Mi5 = 662, Fa5 = 702, FaS5 = 743,
                   Sol5 = 788, SolS5 = 834, La5 = 884, LaS5 = 937, Si5 = 992;

// The note of a white key: none, Ctrl, Shift, Ctrl and Shift.
struct WhiteKey {
    unsigned plain, ctrl, shift, both;
};
const WhiteKey whiteDo{Do4, DoS4, Do5, DoS5}, whiteRe{Re4, ReS4, Re5, ReS5},
    whiteMi{Mi4, Mi4, Mi5, Mi5}, whiteFa{Fa4, FaS4, Fa5, FaS5}, whiteSol{Sol4, SolS4, Sol5, SolS5},
    whiteLa{La4, LaS4, La5, LaS5}, whiteSi{Si4, Si4, Si5, Si5};
WhiteKey fixed(unsigned note) { return {note, note, note, note}; }

const std::vector<std::vector<int>> modifierSets = {{}, {VK_CONTROL}, {VK_SHIFT}, {VK_CONTROL, VK_SHIFT}};
std::vector<unsigned> allFour(const WhiteKey& key) { return {key.plain, key.ctrl, key.shift, key.both}; }

using MainWindowTest = ProgramTest;

TEST_F(MainWindowTest, ShowsTheTitleTheTwelveButtonsAndTheMenu) {
    then([this] {
        const posix::WindowRecord& window = driver.window(mainWindow());
        EXPECT_EQ(window.className, "Classname");
        EXPECT_EQ(window.width, 305);
        EXPECT_EQ(window.height, 145);
        EXPECT_EQ(window.style, 0x10CE0000u);
        EXPECT_NE(window.icon, nullptr);
        EXPECT_EQ(window.icon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(116)));
        EXPECT_EQ(window.smallIcon, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(117)));
        EXPECT_NE(window.icon, window.smallIcon);

        using Place = std::tuple<std::string, int, int>;
        const std::vector<Place> expected = {
            {"Do", 10, 10},   {"Do#", 33, 50},   {"Re", 50, 10},  {"Re#", 70, 50},
            {"Mi", 90, 10},   {"Fa", 130, 10},   {"Fa#", 150, 50}, {"Sol", 170, 10},
            {"Sol#", 191, 50}, {"La", 210, 10},  {"La#", 231, 50}, {"Si", 250, 10}};
        std::vector<Place> shown;
        int id = 1000;
        for (HWND child : window.children) {
            const posix::WindowRecord& control = driver.window(child);
            shown.emplace_back(control.text, control.x, control.y);
            EXPECT_EQ(control.className, "Button");
            EXPECT_EQ(control.width, 33);
            EXPECT_EQ(control.height, 33);
            EXPECT_EQ(control.id, id++);
        }
        EXPECT_EQ(shown, expected);

        const posix::Menu* menu = driver.menuOf(mainWindow());
        ASSERT_NE(menu, nullptr);
        std::vector<std::string> titles;
        for (const posix::MenuItem& item : menu->items) titles.push_back(item.text);
        EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&Record", "&Help"}));
        EXPECT_EQ(menu->items[1].popup.back().text, "&Play... \tCtrl+P");
    });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
}

TEST_F(MainWindowTest, EachButtonPlaysItsNoteWithEachModifier) {
    const std::vector<std::pair<std::string, WhiteKey>> buttons = {
        {"Do", whiteDo},   {"Do#", fixed(DoS4)}, {"Re", whiteRe},   {"Re#", fixed(ReS4)},
        {"Mi", whiteMi},   {"Fa", whiteFa},      {"Fa#", fixed(FaS4)}, {"Sol", whiteSol},
        {"Sol#", fixed(SolS4)}, {"La", whiteLa}, {"La#", fixed(LaS4)}, {"Si", whiteSi}};
    std::vector<unsigned> expected;
    for (const auto& [label, notes] : buttons) {
        for (const std::vector<int>& modifiers : modifierSets) click(label, modifiers);
        const std::vector<unsigned> four = allFour(notes);
        expected.insert(expected.end(), four.begin(), four.end());
    }
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(frequencies(), expected);
    for (const headless::PlayedTone& tone : driver.tones()) EXPECT_EQ(tone.milliseconds, 230u);
}

TEST_F(MainWindowTest, EachNoteKeyPlaysItsNoteWithEachModifier) {
    // F1 and F2 with Ctrl open help and About as well; their notes are checked with those.
    const std::vector<std::pair<int, WhiteKey>> keys = {
        {VK_F3, whiteMi},          {VK_F4, whiteFa},          {VK_F5, whiteSol},
        {VK_F6, whiteLa},          {VK_F7, whiteSi},          {VK_F8, fixed(Do5)},
        {VK_F9, fixed(Re5)},       {VK_NUMPAD0, whiteDo},     {VK_NUMPAD0 + 1, whiteRe},
        {VK_NUMPAD0 + 2, whiteMi}, {VK_NUMPAD0 + 3, whiteFa}, {VK_NUMPAD0 + 4, whiteSol},
        {VK_NUMPAD0 + 5, whiteLa}, {VK_NUMPAD0 + 6, whiteSi}, {VK_NUMPAD0 + 7, fixed(Do5)},
        {VK_NUMPAD0 + 8, fixed(Re5)}, {VK_NUMPAD0 + 9, fixed(Mi5)}};
    std::vector<unsigned> expected;
    for (const auto& [key, notes] : keys) {
        for (const std::vector<int>& modifiers : modifierSets) press(key, modifiers);
        const std::vector<unsigned> four = allFour(notes);
        expected.insert(expected.end(), four.begin(), four.end());
    }
    press(VK_F1, {VK_SHIFT});  // twice: for the key-down and for the WM_KEYF1 it posts
    press(VK_F2);
    expected.push_back(Do5);
    expected.push_back(Do5);
    expected.push_back(Re4);
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(frequencies(), expected);
    EXPECT_TRUE(driver.messageBoxes().empty());
}

TEST_F(MainWindowTest, UnboundKeysAndShiftAlonePlayNothing) {
    press(VK_F10);
    press(VK_F11);
    press(VK_SHIFT);
    press('A');
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(driver.tones().empty());
}

TEST_F(MainWindowTest, HeldKeyPlaysOnceForEveryMessage) {
    then([this] {
        driver.holdKey(VK_F1);
        for (int move = 0; move < 3; ++move) driver.moveMouse(mainWindow());
        driver.repeatKey(VK_F1);
    });
    then([this] { driver.releaseKey(VK_F1); });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    // The key's own message, three mouse moves, one repeat and the WM_KEYF1 that each
    // key-down posts; not the release.
    EXPECT_EQ(frequencies(), std::vector<unsigned>(7, Do4));
}

TEST_F(MainWindowTest, CtrlWithF1PlaysTheSharpThenShowsHelp) {
    // F1 is let go while the box is read, so the pass after F1's WM_KEYF1 finds it up.
    driver.answerMessageBox([this] {
        driver.releaseKey(VK_F1);
        return IDOK;
    });
    press(VK_F1, {VK_CONTROL});
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{DoS4}));
    ASSERT_EQ(driver.messageBoxes().size(), 1u);
    EXPECT_EQ(driver.messageBoxes()[0].caption, "Contents");
    EXPECT_EQ(driver.messageBoxes()[0].tonesBefore, 1u);
}

// All seven held in one pass run R, S, P, H, T, F1, F2 in this order, each on its own: every
// answer below looks at what the shortcuts before it have done, and each swap changes one.
TEST_F(MainWindowTest, CtrlShortcutsHeldTogetherRunInTheirOrder) {
    const auto minimized = [this] { return driver.window(mainWindow()).minimized; };
    driver.answerMessageBox(IDOK);   // R: the recording has started
    driver.answerMessageBox(IDYES);  // S: save it
    driver.chooseFile((folder / "song").string());
    driver.answerMessageBox(IDYES);  // create "song"?
    driver.chooseFile((folder / "missing").string());
    driver.answerMessageBox([&] {  // P's dialog: create "missing"? Not yet minimised.
        EXPECT_FALSE(minimized());
        return IDNO;
    });
    driver.cancelFileDialog();
    driver.answerMessageBox([&] {  // T: nothing to reset, since S saved. Minimised by H already.
        EXPECT_TRUE(minimized());
        return IDOK;
    });
    driver.answerMessageBox(IDOK);  // F1: the help
    const std::vector<int> shortcutKeys = {'R', 'S', 'P', 'H', 'T', VK_F1, VK_F2};
    then([this] { driver.holdKey(VK_CONTROL); });
    then([&] {
        for (int key : shortcutKeys) driver.holdKey(key);
    });
    then([&] {  // F2: the About window, once the help has been read
        EXPECT_NE(aboutWindow(), nullptr);
        EXPECT_EQ(driver.messageBoxes().size(), 6u);
        for (int key : shortcutKeys) driver.releaseKey(key);
        driver.releaseKey(VK_CONTROL);
        driver.pressCloseBox(aboutWindow());
    });
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(boxTexts().at(0).rfind("Recording has started", 0), 0u);
    EXPECT_EQ(boxTexts().at(1), "Would you like to save?");
    EXPECT_EQ(boxTexts().at(4), "Opname kan enkel gereset worden als hij loopt.");
    EXPECT_EQ(driver.messageBoxes().at(5).caption, "Contents");
    EXPECT_EQ(driver.fileDialogs().size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(folder / "song.TPZ"));
}

// Ctrl+T joins Ctrl+H in one pass: each shortcut is tested on its own.
TEST_F(MainWindowTest, HideInterfaceMinimisesAndTheKeysPlayOn) {
    driver.answerMessageBox(IDOK);  // Ctrl+T: no recording to reset
    then([this] { driver.holdKey(VK_CONTROL); });
    then([this] { driver.holdKey('H'); });
    then([this] { driver.holdKey('T'); });
    then([this] {
        driver.releaseKey('T');
        driver.releaseKey('H');
        driver.releaseKey(VK_CONTROL);
    });
    then([this] { EXPECT_TRUE(driver.window(mainWindow()).minimized); });
    press(VK_F5);
    choose(IDM_HIDE_INTERFACE);
    closeMainWindow();
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(frequencies(), (std::vector<unsigned>{Sol4}));
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Opname kan enkel gereset worden als hij loopt."}));
}

}  // namespace
