// The file types of the file dialogs, as FLTK's file list applies them.
#include <gtest/gtest.h>

#include <FL/filename.H>

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
