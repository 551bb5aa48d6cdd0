// Feeds arbitrary bytes to the .res reader, then each entry it finds to the
// menu-template, bitmap and icon-group readers, whatever its type; a group's
// images are looked up among the same entries.
#include <cstddef>
#include <cstdint>

#include "images.h"
#include "menus.h"
#include "resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto entries = posix::parseResourceFile({data, size});
    if (!entries) return 0;
    for (const posix::Resource& entry : *entries) {
        posix::parseMenuTemplate(entry.data);
        posix::parseDeviceIndependentBitmap(entry.data, false);
        posix::parseDeviceIndependentBitmap(entry.data, true);
        posix::parseIconGroup(entry.data, [&](WORD id) -> std::optional<std::span<const std::uint8_t>> {
            for (const posix::Resource& image : *entries)
                if (image.type == posix::ResourceKey(posix::resourceTypeIcon) &&
                    image.name == posix::ResourceKey(id))
                    return image.data;
            return std::nullopt;
        });
    }
    return 0;
}
