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

// `gtkXftDpi` is GTK's gtk-xft-dpi (1024ths of a dot per inch, already divided by a
// GDK_SCALE that was set; 0 or less when no settings manager gave it); `resourceDpi`
// is Xft.dpi of the X resources, 0 when there is none.
DisplayScale displayScaleOf(int windowScale, int gtkXftDpi, double resourceDpi);

}  // namespace posix
