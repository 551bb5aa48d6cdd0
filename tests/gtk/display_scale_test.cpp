// The display's scale from GDK's window scale and the desktop's font resolution, as
// desktops set them at 100, 150 and 200 %, with and without a settings manager.
#include <gtest/gtest.h>

#include "gtk/display_scale.h"

namespace {

using posix::displayScaleOf;

constexpr int dpi(int dotsPerInch) { return dotsPerInch * 1024; }

TEST(DisplayScaleTest, SettingsManagersResolutionGivesTheFactor) {
    EXPECT_DOUBLE_EQ(displayScaleOf(1, dpi(96), false, 0).factor, 1.0);
    EXPECT_DOUBLE_EQ(displayScaleOf(1, dpi(144), false, 0).factor, 1.5);
    // A desktop at 200 %: the manager gives the scale, and the resolution GTK draws at (96).
    const posix::DisplayScale doubled = displayScaleOf(2, dpi(96), false, 0);
    EXPECT_DOUBLE_EQ(doubled.factor, 2.0);
    EXPECT_DOUBLE_EQ(doubled.gtkPixelsPerUnit(), 1.0);
    // GDK_SCALE=2 beside a manager's Xft/DPI of 192: that resolution is the screen's.
    const posix::DisplayScale fixed = displayScaleOf(2, dpi(192), true, 0);
    EXPECT_DOUBLE_EQ(fixed.factor, 2.0);
    EXPECT_DOUBLE_EQ(fixed.fontDpi, 96);
    // A resource that disagrees with the settings manager is not the one GTK draws text at.
    EXPECT_DOUBLE_EQ(displayScaleOf(1, dpi(144), false, 96).factor, 1.5);
}

TEST(DisplayScaleTest, WithoutASettingsManagerTheXResourcesResolutionCounts) {
    EXPECT_DOUBLE_EQ(displayScaleOf(1, -1, false, 144).factor, 1.5);
    EXPECT_DOUBLE_EQ(displayScaleOf(1, -1, false, 144).fontDpi, 144);
    const posix::DisplayScale doubled = displayScaleOf(2, -1, true, 192);
    EXPECT_DOUBLE_EQ(doubled.factor, 2.0);
    EXPECT_DOUBLE_EQ(doubled.fontDpi, 96) << "GTK's pixels are twice the screen's already";
    EXPECT_DOUBLE_EQ(displayScaleOf(1, -1, false, 192).factor, 2.0);
    EXPECT_DOUBLE_EQ(displayScaleOf(1, 0, false, 0).factor, 1.0) << "no resolution anywhere: 96 dpi";
    EXPECT_DOUBLE_EQ(displayScaleOf(2, 0, true, 0).factor, 2.0);
}

TEST(DisplayScaleTest, UnitsBecomeGtksPixelsAndBack) {
    const posix::DisplayScale half = displayScaleOf(1, dpi(144), false, 0);
    EXPECT_EQ(half.toGtk(33), 50);  // 49.5, rounded
    EXPECT_EQ(half.toGtk(20), 30);
    EXPECT_EQ(half.toUnits(49.9), 33);
    EXPECT_EQ(half.toUnits(-1), -1) << "above the client area stays outside it";
    const posix::DisplayScale doubled = displayScaleOf(2, dpi(96), false, 0);
    EXPECT_EQ(doubled.toGtk(33), 33);
    EXPECT_EQ(doubled.toUnits(32.5), 32);
}

}  // namespace
