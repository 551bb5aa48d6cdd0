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

DisplayScale displayScaleOf(int windowScale, int settingsDpi, bool scaleFromEnvironment, double resourceDpi) {
    DisplayScale scale;
    scale.windowScale = windowScale > 0 ? windowScale : 1;
    // A resolution in screen pixels has GDK's scale taken out, so that the two are not
    // applied twice over.
    if (settingsDpi > 0)
        scale.fontDpi = settingsDpi / 1024.0 / (scaleFromEnvironment ? scale.windowScale : 1);
    else if (resourceDpi > 0)
        scale.fontDpi = resourceDpi / scale.windowScale;
    scale.factor = scale.windowScale * scale.fontDpi / programDpi;
    return scale;
}

}  // namespace posix
