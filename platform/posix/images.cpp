// Icons, cursors and bitmaps: LoadIconA, LoadCursorA, LoadImageA and the pictures they read.
#include "images.h"

#include <functional>
#include <limits>

#include "resources.h"

namespace posix {

namespace {

constexpr DWORD bitmapInfoHeaderSize = 40;
constexpr DWORD uncompressed = 0;  // BI_RGB
constexpr WORD iconDirectoryType = 1;
constexpr std::size_t largestColourTable = 256;
constexpr std::uint32_t opaque = 0xFF000000;

std::uint32_t rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return opaque | static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 |
           blue;
}

// Bytes of one stored row: rows are padded to a multiple of four bytes.
std::uint64_t rowBytes(std::uint64_t width, unsigned bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// The stored rows of an image; more than the data holds fails the reader.
std::span<const std::uint8_t> readRows(ResourceReader& reader, std::uint64_t bytesPerRow, int rows) {
    constexpr std::size_t largest = std::numeric_limits<std::size_t>::max();
    const auto count = static_cast<std::uint64_t>(rows);
    if (bytesPerRow > largest / count) return reader.bytes(largest);
    return reader.bytes(static_cast<std::size_t>(bytesPerRow * count));
}

// The colour of pixel x of a stored row; nullopt for an index outside the colour table.
std::optional<std::uint32_t> pixelColour(std::span<const std::uint8_t> row, int x,
                                         unsigned bitsPerPixel,
                                         const std::vector<std::uint32_t>& colourTable,
                                         bool keepAlpha) {
    const std::size_t at = static_cast<std::size_t>(x);
    switch (bitsPerPixel) {
    case 24:
        return rgb(row[at * 3 + 2], row[at * 3 + 1], row[at * 3]);
    case 32: {
        const std::uint32_t colour = rgb(row[at * 4 + 2], row[at * 4 + 1], row[at * 4]);
        if (!keepAlpha) return colour;
        return (colour & ~opaque) | static_cast<std::uint32_t>(row[at * 4 + 3]) << 24;
    }
    default: {
        const std::size_t bit = at * bitsPerPixel;
        const unsigned shift = 8 - bitsPerPixel - static_cast<unsigned>(bit % 8);
        const std::size_t index = (row[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
        if (index >= colourTable.size()) return std::nullopt;
        return colourTable[index];
    }
    }
}

bool isMasked(std::span<const std::uint8_t> maskRow, int x) {
    return (maskRow[static_cast<std::size_t>(x) / 8] >> (7 - x % 8) & 1) != 0;
}

}  // namespace

std::optional<Icon> parseIconGroup(
    std::span<const std::uint8_t> directory,
    const std::function<std::optional<std::span<const std::uint8_t>>(WORD id)>& imageOf) {
    ResourceReader reader(directory);
    reader.word();  // reserved
    const WORD type = reader.word();
    const WORD count = reader.word();
    if (reader.failed() || type != iconDirectoryType || count == 0) return std::nullopt;
    Icon icon;
    for (WORD entry = 0; entry < count; ++entry) {
        reader.bytes(12);  // size, colours, planes and depth: the image says them itself
        const WORD imageId = reader.word();
        if (reader.failed()) return std::nullopt;
        const auto image = imageOf(imageId);
        if (!image) return std::nullopt;
        std::optional<Picture> picture = parseDeviceIndependentBitmap(*image, true);
        if (!picture) return std::nullopt;
        icon.images.push_back(std::move(*picture));
    }
    return icon;
}

namespace {

// A square picture of a shape given by inside(x, y), filled by fill(x, y) and
// outlined in black, on a transparent ground.
Picture drawOutlined(int size, const std::function<bool(int, int)>& inside,
                     const std::function<std::uint32_t(int, int)>& fill) {
    Picture picture{size, size, 32, std::vector<std::uint32_t>(static_cast<std::size_t>(size * size))};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (!inside(x, y)) continue;
            const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) ||
                              !inside(x, y + 1);
            picture.pixels[static_cast<std::size_t>(y * size + x)] = edge ? opaque : fill(x, y);
        }
    return picture;
}

// A window with its title bar: the platform's application icon.
const Icon& stockApplicationIcon() {
    static const Icon icon{{drawOutlined(
        32, [](int x, int y) { return x >= 1 && x <= 30 && y >= 3 && y <= 28; },
        [](int, int y) { return y < 9 ? rgb(0x20, 0x50, 0xA0) : rgb(0xFF, 0xFF, 0xFF); })}};
    return icon;
}

// The pointer, its tip at the top-left corner.
const Icon& stockArrowCursor() {
    static const Icon cursor{{drawOutlined(
        32, [](int x, int y) { return x >= 0 && x <= y && 11 * y + 5 * x <= 176; },
        [](int, int) { return rgb(0xFF, 0xFF, 0xFF); })}};
    return cursor;
}

// Differs from Windows: icons and bitmaps live for the whole process; there is no
// DeleteObject or DestroyIcon.
LoadedResources<Icon>& loadedIcons() {
    static LoadedResources<Icon> icons;
    return icons;
}

LoadedResources<Picture>& loadedBitmaps() {
    static LoadedResources<Picture> bitmaps;
    return bitmaps;
}

HICON loadIconGroup(LPCSTR name) {
    const auto group = findModuleResource(resourceTypeGroupIcon, resourceKey(name));
    if (!group) return nullptr;
    const Icon* icon = loadedIcons().load(group->data, [](std::span<const std::uint8_t> directory) {
        return parseIconGroup(directory, [](WORD id) -> std::optional<std::span<const std::uint8_t>> {
            const auto image = findModuleResource(resourceTypeIcon, id);
            if (!image) return std::nullopt;
            return image->data;
        });
    });
    return reinterpret_cast<HICON>(const_cast<Icon*>(icon));
}

HANDLE loadBitmap(LPCSTR name) {
    const auto bitmap = findModuleResource(resourceTypeBitmap, resourceKey(name));
    if (!bitmap) return nullptr;
    const Picture* picture = loadedBitmaps().load(bitmap->data, [](auto data) {
        return parseDeviceIndependentBitmap(data, false);
    });
    return const_cast<Picture*>(picture);
}

template <typename Handle>
Handle stockHandle(const Icon& icon) {
    return reinterpret_cast<Handle>(const_cast<Icon*>(&icon));
}

}  // namespace

std::optional<Picture> parseDeviceIndependentBitmap(std::span<const std::uint8_t> data,
                                                    bool isIconImage) {
    ResourceReader reader(data);
    const DWORD headerSize = reader.dword();
    const auto width = static_cast<LONG>(reader.dword());
    const auto storedHeight = static_cast<LONG>(reader.dword());
    const WORD planes = reader.word();
    const WORD bitsPerPixel = reader.word();
    const DWORD compression = reader.dword();
    reader.bytes(12);  // image size and resolution
    const DWORD coloursUsed = reader.dword();
    reader.skipTo(headerSize);
    if (reader.failed() || headerSize < bitmapInfoHeaderSize || planes != 1 ||
        compression != uncompressed || width <= 0 || storedHeight == 0 ||
        storedHeight == INT32_MIN || (isIconImage && storedHeight < 0))
        return std::nullopt;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 &&
        bitsPerPixel != 32)
        return std::nullopt;

    const bool topDown = storedHeight < 0;
    int height = topDown ? -storedHeight : storedHeight;
    if (isIconImage) {
        if (height % 2 != 0) return std::nullopt;
        height /= 2;  // the rest is the AND mask
    }

    const bool indexed = bitsPerPixel <= 8;
    const std::size_t colourCount = coloursUsed != 0 ? coloursUsed : indexed ? 1u << bitsPerPixel : 0;
    if (colourCount > largestColourTable || (indexed && colourCount > 1u << bitsPerPixel))
        return std::nullopt;
    std::vector<std::uint32_t> colourTable;
    for (std::size_t entry = 0; entry < colourCount; ++entry) {
        const auto quad = reader.bytes(4);
        if (reader.failed()) return std::nullopt;
        colourTable.push_back(rgb(quad[2], quad[1], quad[0]));
    }

    const std::uint64_t colourRowBytes = rowBytes(static_cast<std::uint64_t>(width), bitsPerPixel);
    const auto colourRows = readRows(reader, colourRowBytes, height);
    // A 32-bit icon image carries its transparency in its alpha channel.
    const bool masked = isIconImage && bitsPerPixel < 32;
    const std::uint64_t maskRowBytes = rowBytes(static_cast<std::uint64_t>(width), 1);
    const auto maskRows = masked ? readRows(reader, maskRowBytes, height)
                                 : std::span<const std::uint8_t>{};
    if (reader.failed() || colourRows.empty()) return std::nullopt;

    Picture picture{width, height, bitsPerPixel, {}};
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int stored = 0; stored < height; ++stored) {
        const int y = topDown ? stored : height - 1 - stored;
        const auto row = colourRows.subspan(stored * colourRowBytes, colourRowBytes);
        const auto maskRow = masked ? maskRows.subspan(stored * maskRowBytes, maskRowBytes)
                                    : std::span<const std::uint8_t>{};
        for (int x = 0; x < width; ++x) {
            const auto colour = pixelColour(row, x, bitsPerPixel, colourTable, isIconImage);
            if (!colour) return std::nullopt;
            picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)] =
                masked && isMasked(maskRow, x) ? 0 : *colour;
        }
    }
    return picture;
}

const Picture* bitmapFromHandle(HANDLE bitmap) { return loadedBitmaps().find(bitmap); }

const Icon* iconFromHandle(HICON icon) {
    if (icon == stockHandle<HICON>(stockApplicationIcon())) return &stockApplicationIcon();
    if (icon == stockHandle<HICON>(stockArrowCursor())) return &stockArrowCursor();
    return loadedIcons().find(icon);
}

}  // namespace posix

namespace {

constexpr WORD stockImageId = 32512;  // IDI_APPLICATION and IDC_ARROW

bool isStock(HINSTANCE instance, LPCSTR name) {
    return instance == nullptr && IS_INTRESOURCE(name) && LOWORD(name) == stockImageId;
}

}  // namespace

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (isStock(instance, name)) return posix::stockHandle<HICON>(posix::stockApplicationIcon());
    return instance ? posix::loadIconGroup(name) : nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return isStock(instance, name) ? posix::stockHandle<HCURSOR>(posix::stockArrowCursor())
                                   : nullptr;
}

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int, int, UINT) {
    if (!instance) return nullptr;
    switch (type) {
    case IMAGE_BITMAP:
        return posix::loadBitmap(name);
    case IMAGE_ICON:
        return posix::loadIconGroup(name);
    default:
        return nullptr;
    }
}
