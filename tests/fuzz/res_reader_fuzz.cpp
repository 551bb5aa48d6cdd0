// Feeds arbitrary bytes to the .res reader, then each entry it finds to the
// menu-template and bitmap readers, whatever its type.
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
    }
    return 0;
}
