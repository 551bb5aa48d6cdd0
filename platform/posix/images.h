// Icons, cursors and bitmaps loaded from the resources, behind their handles.
#pragma once

#include "internal.h"

#include <cstdint>
#include <functional>
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

// Reads an RT_GROUP_ICON directory and the RT_ICON images it names, each found by
// imageOf(id); nullopt when the directory, or any image, is missing or malformed.
std::optional<Icon> parseIconGroup(
    std::span<const std::uint8_t> directory,
    const std::function<std::optional<std::span<const std::uint8_t>>(WORD id)>& imageOf);

// The pictures behind handles from LoadImageA, LoadIconA and LoadCursorA; null for others.
const Picture* bitmapFromHandle(HANDLE bitmap);
const Icon* iconFromHandle(HICON icon);

}  // namespace posix
