// The filter lists of the file dialogs, as FLTK's chooser reads and applies them.
#include <gtest/gtest.h>

#include <FL/filename.H>

#include "fltk/file_dialog.h"

namespace {

using posix::chooserFilter;
using posix::FileFilter;

// The pattern the chooser takes from an entry: between its first '(' and its last ')'.
std::string patternOf(const std::string& entry) {
    const std::size_t open = entry.find('(');
    return entry.substr(open + 1, entry.rfind(')') - open - 1);
}

TEST(FileDialogTest, SaveDialogsEntryKeepsItsText) {
    EXPECT_EQ(chooserFilter({{"TarnWell Pipalo (*.TPZ)", "*.TPZ"}}), "TarnWell Pipalo (*.TPZ)");
}

TEST(FileDialogTest, OpenDialogsEntriesAreTabSeparatedEachWithOnePattern) {
    const std::string list = chooserFilter({{"Tarnwell Pipalo (*.TPZ)", "*.TPZ"}, {"All Files...", "*.*"}});
    EXPECT_EQ(list, "Tarnwell Pipalo (*.TPZ)\tAll Files... (*)");
    const std::string allFiles = list.substr(list.find('\t') + 1);
    // Windows' "*.*" takes names without a dot too.
    EXPECT_TRUE(fl_filename_match("README", patternOf(allFiles).c_str()));
    EXPECT_TRUE(fl_filename_match("tune.TPZ", patternOf(allFiles).c_str()));
}

TEST(FileDialogTest, PatternListsBecomeAlternatives) {
    const std::string entry = chooserFilter({{"Tunes", "*.TPZ; *.txt"}});
    EXPECT_EQ(entry, "Tunes ({*.TPZ,*.txt})");
    const std::string pattern = patternOf(entry);
    EXPECT_TRUE(fl_filename_match("a.TPZ", pattern.c_str()));
    EXPECT_TRUE(fl_filename_match("b.txt", pattern.c_str()));
    EXPECT_FALSE(fl_filename_match("c.wav", pattern.c_str()));
}

TEST(FileDialogTest, NoFilterShowsEveryFile) {
    EXPECT_EQ(chooserFilter({}), "");
    EXPECT_EQ(chooserFilter({{"Anything", ""}}), "Anything (*)");
}

}  // namespace
