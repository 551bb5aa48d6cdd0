// The subset's pictures as GDK pixbufs and cairo surfaces.
#include "gtk/pictures.h"

#include <algorithm>
#include <cmath>

namespace posix {

GdkPixbuf* pixbufOf(const Picture& picture, double factor) {
    GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, picture.width, picture.height);
    const int stride = gdk_pixbuf_get_rowstride(image);
    guchar* rows = gdk_pixbuf_get_pixels(image);
    for (int y = 0; y < picture.height; ++y) {
        guchar* out = rows + y * stride;
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t pixel = picture.pixels[static_cast<std::size_t>(y * picture.width + x)];
            *out++ = static_cast<guchar>(pixel >> 16);
            *out++ = static_cast<guchar>(pixel >> 8);
            *out++ = static_cast<guchar>(pixel);
            *out++ = static_cast<guchar>(pixel >> 24);
        }
    }
    if (factor == 1) return image;
    const int width = std::max(1, static_cast<int>(std::lround(picture.width * factor)));
    const int height = std::max(1, static_cast<int>(std::lround(picture.height * factor)));
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(image, width, height, GDK_INTERP_BILINEAR);
    g_object_unref(image);
    return scaled;
}

cairo_surface_t* surfaceOf(const Picture& picture, const DisplayScale& scale) {
    GdkPixbuf* image = pixbufOf(picture, scale.factor);
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(image, scale.windowScale, nullptr);
    g_object_unref(image);
    return surface;
}

}  // namespace posix
