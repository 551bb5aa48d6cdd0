// The subset's pictures (bitmaps and icon images) as GDK's, grown smoothly by the display's scale.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include "gtk/display_scale.h"
#include "images.h"

namespace posix {

// The picture `factor` times its size; the caller owns the reference.
GdkPixbuf* pixbufOf(const Picture& picture, double factor);

// The picture at the display's scale, for GTK's pixels of GDK's window scale; the caller owns it.
cairo_surface_t* surfaceOf(const Picture& picture, const DisplayScale& scale);

}  // namespace posix
