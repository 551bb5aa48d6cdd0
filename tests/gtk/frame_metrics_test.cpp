// The client areas that the windows' outer sizes leave, with Windows' standard frame.
#include <gtest/gtest.h>

#include "gtk/frame_metrics.h"

namespace {

TEST(FrameMetricsTest, AboutWindowsStatusLineEndsAtTheBottom) {
    const posix::ClientArea about = posix::clientAreaOf(320, 210);
    EXPECT_EQ(about.width, 312);
    EXPECT_EQ(about.height, 179);
    // The framework places it at height - 51 (no menu), 20 pixels high.
    EXPECT_EQ(210 - 51 + 20, about.height);
}

TEST(FrameMetricsTest, MainWindowHoldsItsButtonsBelowTheMenuBar) {
    const posix::ClientArea main = posix::clientAreaOf(305, 145);
    EXPECT_EQ(main.x, posix::sizingBorder);
    EXPECT_EQ(main.y, posix::sizingBorder + posix::captionHeight);
    // The last white key ends at x 283; the sharps' row ends at y 83.
    EXPECT_LE(250 + 33, main.width);
    EXPECT_LE(posix::menuBarHeight + 50 + 33, main.height);
}

TEST(FrameMetricsTest, ATinyWindowHasAnEmptyClientArea) {
    const posix::ClientArea tiny = posix::clientAreaOf(5, 20);
    EXPECT_EQ(tiny.width, 0);
    EXPECT_EQ(tiny.height, 0);
}

}  // namespace
