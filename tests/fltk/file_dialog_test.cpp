// The file types of the FLTK dialog, as its file list applies them, and the choice of chooser.
#include <gtest/gtest.h>

#include <FL/filename.H>

#include "gtk/file_choosers.h"
#include "fltk/file_dialog.h"

namespace {

using posix::chooserPattern;

TEST(FileDialogTest, WindowsAllFilesTakesNamesWithoutADotToo) {
    const std::string pattern = chooserPattern({"All Files...", "*.*"});
    EXPECT_TRUE(fl_filename_match("README", pattern.c_str()));
    EXPECT_TRUE(fl_filename_match("tune.TPZ", pattern.c_str()));
}

TEST(FileDialogTest, PatternListsBecomeAlternatives) {
    const std::string pattern = chooserPattern({"Tunes", "*.TPZ; *.txt"});
    EXPECT_TRUE(fl_filename_match("a.TPZ", pattern.c_str()));
    EXPECT_TRUE(fl_filename_match("b.txt", pattern.c_str()));
    EXPECT_FALSE(fl_filename_match("c.wav", pattern.c_str()));
    EXPECT_FALSE(fl_filename_match("d.TPZ.wav", chooserPattern({"Tunes", "*.TPZ"}).c_str()));
}

TEST(FileDialogTest, NoPatternShowsEveryFile) {
    EXPECT_TRUE(fl_filename_match("anything", chooserPattern({"Anything", ""}).c_str()));
    EXPECT_TRUE(fl_filename_match("anything", chooserPattern({"Anything", " ; "}).c_str()));
}

}  // namespace

namespace {

using posix::Chooser;
using posix::chooserNamed;
using posix::firstAvailable;

TEST(FileChoosersTest, EnvironmentNamesAChooserOrLeavesTheChoiceToTheDesktop) {
    EXPECT_EQ(chooserNamed("portal"), Chooser::portal);
    EXPECT_EQ(chooserNamed("gtk"), Chooser::gtk);
    EXPECT_EQ(chooserNamed("fltk"), Chooser::fltk);
    EXPECT_EQ(chooserNamed(nullptr), std::nullopt);
    EXPECT_EQ(chooserNamed(""), std::nullopt);
    EXPECT_EQ(chooserNamed("GTK"), std::nullopt);
}

// Portal, then GTK, then FLTK, from the one asked for; each asked about only when it is next.
TEST(FileChoosersTest, FirstChooserThereIsFromTheOneAskedForDownTheOrder) {
    struct Case {
        std::optional<Chooser> asked;
        bool portal, gtk;
        Chooser expected;
        std::vector<Chooser> askedAbout;
    };
    const Case cases[] = {
        {std::nullopt, true, true, Chooser::portal, {Chooser::portal}},
        {std::nullopt, false, true, Chooser::gtk, {Chooser::portal, Chooser::gtk}},
        {std::nullopt, false, false, Chooser::fltk, {Chooser::portal, Chooser::gtk}},
        {Chooser::gtk, true, true, Chooser::gtk, {Chooser::gtk}},
        {Chooser::gtk, true, false, Chooser::fltk, {Chooser::gtk}},
        {Chooser::portal, false, false, Chooser::fltk, {Chooser::portal, Chooser::gtk}},
        {Chooser::fltk, true, true, Chooser::fltk, {}},
    };
    for (const Case& one : cases) {
        std::vector<Chooser> askedAbout;
        const Chooser chosen = firstAvailable(one.asked, [&](Chooser candidate) {
            askedAbout.push_back(candidate);
            return candidate == Chooser::portal ? one.portal : one.gtk;
        });
        EXPECT_EQ(chosen, one.expected);
        EXPECT_EQ(askedAbout, one.askedAbout);
    }
}

}  // namespace
