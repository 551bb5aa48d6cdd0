// The buttons of message boxes and the keys that answer them, as on Windows.
#include <gtest/gtest.h>

#include "gtk/labels.h"
#include "gtk/message_box_window.h"

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

TEST(MessageBoxTest, IconIsTheOneTheStyleAsksFor) {
    EXPECT_EQ(posix::messageTypeOf(MB_OK | MB_ICONINFORMATION), GTK_MESSAGE_INFO);
    EXPECT_EQ(posix::messageTypeOf(MB_YESNO | MB_ICONWARNING), GTK_MESSAGE_WARNING);
    EXPECT_EQ(posix::messageTypeOf(MB_OKCANCEL), GTK_MESSAGE_OTHER);
}

// Windows' '&' becomes GTK's '_'; what is GTK's mark already must stay a plain character.
TEST(MessageBoxTest, LabelsKeepTheirLetterInGtksTerms) {
    EXPECT_EQ(posix::gtkMnemonicLabel("&Yes"), "_Yes");
    EXPECT_EQ(posix::gtkMnemonicLabel("Rock && Roll"), "Rock & Roll");
    EXPECT_EQ(posix::gtkMnemonicLabel("snake_case &Tune"), "snake__case _Tune");
    EXPECT_EQ(posix::gtkMnemonicLabel("&_x"), "___x");
    EXPECT_EQ(posix::gtkMnemonicLabel("OK&"), "OK&");
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
