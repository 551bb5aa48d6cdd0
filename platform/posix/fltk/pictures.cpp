// The subset's pictures as FLTK images.
#include "fltk/pictures.h"

namespace posix {

std::unique_ptr<Fl_RGB_Image> imageOf(const Picture& picture) {
    constexpr int channels = 4;
    auto* bytes = new uchar[picture.pixels.size() * channels];
    uchar* out = bytes;
    for (std::uint32_t pixel : picture.pixels) {
        *out++ = static_cast<uchar>(pixel >> 16);
        *out++ = static_cast<uchar>(pixel >> 8);
        *out++ = static_cast<uchar>(pixel);
        *out++ = static_cast<uchar>(pixel >> 24);
    }
    auto image = std::make_unique<Fl_RGB_Image>(bytes, picture.width, picture.height, channels);
    image->alloc_array = 1;  // the image frees the bytes
    return image;
}

}  // namespace posix
