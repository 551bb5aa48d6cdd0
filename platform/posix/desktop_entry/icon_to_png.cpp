// Writes the largest image of an icon file (.ico) as a PNG file, for the
// desktop menus: icon_to_png ICON PNG. The images are read as the program
// reads its icon resources, so the menu shows the same picture as the window.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "images.h"
#include "resources.h"

// This tool has no resources of its own.
std::span<const std::uint8_t> posix::moduleResourceFile() { return {}; }

namespace {

// The icon file's images: a directory of entries, each giving its image's size and offset.
std::vector<posix::Picture> readIconFile(std::span<const std::uint8_t> file) {
    std::vector<posix::Picture> pictures;
    posix::ResourceReader reader(file);
    reader.word();  // reserved
    const WORD type = reader.word();
    const WORD count = reader.word();
    if (reader.failed() || type != 1) return pictures;
    for (WORD entry = 0; entry < count; ++entry) {
        reader.bytes(8);  // size, colours, planes and depth: the image says them itself
        const DWORD size = reader.dword();
        const DWORD offset = reader.dword();
        if (reader.failed()) break;
        if (offset > file.size() || size > file.size() - offset) continue;
        if (std::optional<posix::Picture> picture =
                posix::parseDeviceIndependentBitmap(file.subspan(offset, size), true))
            pictures.push_back(std::move(*picture));
    }
    return pictures;
}

bool writePng(const posix::Picture& picture, const char* path) {
    std::vector<std::uint8_t> rgba;
    for (std::uint32_t pixel : picture.pixels)
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                                 static_cast<std::uint8_t>(pixel), static_cast<std::uint8_t>(pixel >> 24)});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path, 0, rgba.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ICON PNG\n", argv[0]);
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(input), {}};
    const std::vector<posix::Picture> pictures = readIconFile(file);
    if (pictures.empty()) {
        std::fprintf(stderr, "%s: no icon image in %s\n", argv[0], argv[1]);
        return 1;
    }
    const posix::Picture* largest = &pictures.front();
    for (const posix::Picture& picture : pictures)
        if (picture.width * picture.height > largest->width * largest->height) largest = &picture;
    if (!writePng(*largest, argv[2])) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
