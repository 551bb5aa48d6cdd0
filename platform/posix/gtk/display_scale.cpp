// The display's scale, found from GDK's window scale and the desktop's font resolution.
#include "gtk/display_scale.h"

#include <cmath>

namespace posix {

namespace {
constexpr double programDpi = 96;
}

int DisplayScale::toGtk(int units) const { return static_cast<int>(std::lround(units * gtkPixelsPerUnit())); }

int DisplayScale::toUnits(double gtkPixels) const {
    return static_cast<int>(std::floor(gtkPixels / gtkPixelsPerUnit()));
}

DisplayScale displayScaleOf(int windowScale, int gtkXftDpi, double resourceDpi) {
    DisplayScale scale;
    scale.windowScale = windowScale > 0 ? windowScale : 1;
    // Without a settings manager GTK knows no resolution; the X resources' is the desktop's,
    // counted in screen pixels, so GDK's scale takes its share first.
    if (gtkXftDpi > 0)
        scale.fontDpi = gtkXftDpi / 1024.0;
    else if (resourceDpi > 0)
        scale.fontDpi = resourceDpi / scale.windowScale;
    scale.factor = scale.windowScale * scale.fontDpi / programDpi;
    return scale;
}

}  // namespace posix
