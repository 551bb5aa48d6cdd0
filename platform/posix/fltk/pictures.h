// The subset's pictures (bitmaps and icon images) as FLTK images.
#pragma once

#include "internal.h"

#include <FL/Fl_RGB_Image.H>

#include <memory>

#include "images.h"

namespace posix {

// An RGBA image that owns a copy of the picture's pixels.
std::unique_ptr<Fl_RGB_Image> imageOf(const Picture& picture);

}  // namespace posix
