// The buttons of message boxes and the keys that answer them, as on Windows.
#include <gtest/gtest.h>

#include "fltk/control_text.h"
#include "fltk/message_box_window.h"

namespace {

using posix::buttonsOf;

std::vector<int> answersOf(const posix::BoxButtons& choices) {
    std::vector<int> answers;
    for (const posix::BoxButton& button : choices.buttons) answers.push_back(button.answer);
    return answers;
}

TEST(MessageBoxTest, OkBoxClosesWithOkOnEscapeAndCloseBox) {
    const posix::BoxButtons ok = buttonsOf(MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(answersOf(ok), (std::vector<int>{IDOK}));
    EXPECT_EQ(ok.cancelAnswer, IDOK);
}

TEST(MessageBoxTest, YesNoBoxHasNoCancelAnswerAndYesComesFirst) {
    const posix::BoxButtons yesNo = buttonsOf(MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(answersOf(yesNo), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(yesNo.buttons.front().label, "&Yes") << "Return presses the first, and Y answers Yes";
    EXPECT_EQ(yesNo.buttons.back().label, "&No");
    EXPECT_FALSE(yesNo.cancelAnswer.has_value());
}

TEST(MessageBoxTest, OkCancelBoxCancelsOnEscape) {
    const posix::BoxButtons okCancel = buttonsOf(MB_OKCANCEL);
    EXPECT_EQ(answersOf(okCancel), (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(okCancel.cancelAnswer, IDCANCEL);
}

// The box draws its text through the mnemonic-reading routine: every '&' must come out as one.
TEST(MessageBoxTest, TextShowsEachAmpersandAsItIs) {
    EXPECT_EQ(posix::withAmpersandsDoubled("Rock & Roll.TPZ already exists."), "Rock && Roll.TPZ already exists.");
    EXPECT_EQ(posix::withAmpersandsDoubled("&&a&"), "&&&&a&&");
}

// Buttons and menus read their letters alike: "&&" is a plain '&', shown as one and pressing nothing.
TEST(MessageBoxTest, ButtonLetterIsTheOneAfterASingleAmpersand) {
    EXPECT_EQ(posix::mnemonicOf("&Yes"), 'y');
    EXPECT_EQ(posix::mnemonicOf("Save && &Quit"), 'q');
    EXPECT_EQ(posix::mnemonicOf("R&&&D"), 'd');
    EXPECT_EQ(posix::mnemonicOf("Rock && Roll"), 0);
    EXPECT_EQ(posix::mnemonicOf("OK&"), 0);
    EXPECT_EQ(posix::mnemonicOf("OK"), 0);
}

}  // namespace
