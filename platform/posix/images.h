// Icons, cursors and bitmaps loaded from the resources, behind their handles.
#pragma once

#include "internal.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "win32_subset.h"

namespace posix {

struct Picture {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;  // as stored in the resource
    std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first
};

struct Icon {
    std::vector<Picture> images;  // the icon group's images, in the group's order
};

// Reads a device-independent bitmap (BITMAPINFOHEADER, colour table, bits), as an
// RT_BITMAP resource or an RT_ICON image holds it; nullopt when it is malformed.
// An icon image's height counts its AND mask too: pass isIconImage.
std::optional<Picture> parseDeviceIndependentBitmap(std::span<const std::uint8_t> data,
                                                    bool isIconImage);

// The pictures behind handles from LoadImageA, LoadIconA and LoadCursorA; null for others.
const Picture* bitmapFromHandle(HANDLE bitmap);
const Icon* iconFromHandle(HICON icon);

}  // namespace posix
