// How much larger than the program's 96-dpi units the desktop draws, as Windows scales a
// program that declares no DPI awareness: windows, controls, text, icons and pictures all
// grow by the one factor that the desktop's scale and font resolution give.
#pragma once

#include "internal.h"

namespace posix {

struct DisplayScale {
    double factor = 1;      // screen pixels per program unit
    int windowScale = 1;    // GDK's integer scale: screen pixels per GTK pixel
    double fontDpi = 96;    // the resolution GTK draws text at, in its own pixels

    // GTK's pixels per program unit, in which widgets are placed and sized.
    double gtkPixelsPerUnit() const { return factor / windowScale; }
    int toGtk(int units) const;
    int toUnits(double gtkPixels) const;
};

// `settingsDpi` is GTK's gtk-xft-dpi as a settings manager gave it (1024ths of a dot per
// inch; 0 or less when none did). GTK counts it in its own pixels, unless GDK_SCALE fixed
// the window scale (`scaleFromEnvironment`): then it is the screen's, as the X resources'
// Xft.dpi always is (`resourceDpi`, 0 when there is none).
DisplayScale displayScaleOf(int windowScale, int settingsDpi, bool scaleFromEnvironment, double resourceDpi);

}  // namespace posix
