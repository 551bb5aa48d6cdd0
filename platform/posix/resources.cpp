// The module's resources: reading the .res file and finding a resource by type and id.
#include "resources.h"

#include <algorithm>
#include <cctype>

namespace posix {

std::uint8_t ResourceReader::byte() {
    const auto read = bytes(1);
    return read.empty() ? 0 : read[0];
}

WORD ResourceReader::word() {
    const auto read = bytes(2);
    return read.empty() ? 0 : static_cast<WORD>(read[0] | read[1] << 8);
}

DWORD ResourceReader::dword() {
    const auto read = bytes(4);
    if (read.empty()) return 0;
    return static_cast<DWORD>(read[0]) | static_cast<DWORD>(read[1]) << 8 |
           static_cast<DWORD>(read[2]) << 16 | static_cast<DWORD>(read[3]) << 24;
}

std::span<const std::uint8_t> ResourceReader::bytes(std::size_t count) {
    if (hasFailed || count > data.size() - position) {
        hasFailed = true;
        return {};
    }
    const auto read = data.subspan(position, count);
    position += count;
    return read;
}

std::string ResourceReader::text() {
    std::string result;
    for (WORD unit = word(); unit != 0 && !hasFailed; unit = word())
        result += unit <= 0xFF ? static_cast<char>(unit) : '?';
    return result;
}

void ResourceReader::skipTo(std::size_t offset) {
    if (offset < position) hasFailed = true;
    else bytes(offset - position);
}

void ResourceReader::alignTo(std::size_t boundary) {
    skipTo((position + boundary - 1) / boundary * boundary);
}

namespace {

std::string upperCase(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

// A type or name in a resource header: 0xFFFF and a 16-bit id, or a string.
ResourceKey readKey(ResourceReader& reader) {
    ResourceReader lookAhead = reader;
    if (lookAhead.word() == 0xFFFF) {
        reader.word();
        return reader.word();
    }
    return upperCase(reader.text());
}

// The entry that opens every 32-bit .res file and tells it from the 16-bit format.
bool isFormatMarker(const Resource& entry) {
    return entry.type == ResourceKey{WORD{0}} && entry.name == ResourceKey{WORD{0}} &&
           entry.data.empty();
}

// Reads the entry at the reader's offset; nullopt when it does not fit in the file.
std::optional<Resource> readEntry(ResourceReader& reader, std::span<const std::uint8_t> file) {
    const std::size_t start = reader.offset();
    const DWORD dataSize = reader.dword();
    const DWORD headerSize = reader.dword();
    if (reader.failed() || headerSize > file.size() - start) return std::nullopt;

    ResourceReader header(file.subspan(start, headerSize));
    header.skipTo(8);
    Resource entry;
    entry.type = readKey(header);
    entry.name = readKey(header);
    header.alignTo(4);
    header.dword();  // DataVersion
    header.word();   // MemoryFlags
    entry.language = header.word();
    header.dword();  // Version
    header.dword();  // Characteristics
    if (header.failed()) return std::nullopt;

    reader.skipTo(start + headerSize);
    entry.data = reader.bytes(dataSize);
    if (reader.failed()) return std::nullopt;
    return entry;
}

}  // namespace

std::optional<std::vector<Resource>> parseResourceFile(std::span<const std::uint8_t> file) {
    ResourceReader reader(file);
    const std::optional<Resource> marker = readEntry(reader, file);
    if (!marker || !isFormatMarker(*marker)) return std::nullopt;

    std::vector<Resource> entries;
    // The padding after the last entry may be left off.
    for (reader.alignTo(4); !reader.failed() && reader.offset() < file.size(); reader.alignTo(4)) {
        std::optional<Resource> entry = readEntry(reader, file);
        if (!entry) return std::nullopt;
        entries.push_back(*entry);
    }
    return entries;
}

ResourceKey resourceKey(LPCSTR typeOrName) {
    if (IS_INTRESOURCE(typeOrName)) return LOWORD(typeOrName);
    return upperCase(typeOrName);
}

std::optional<Resource> findModuleResource(const ResourceKey& type, const ResourceKey& name) {
    static const std::vector<Resource> resources =
        parseResourceFile(moduleResourceFile()).value_or(std::vector<Resource>{});
    auto found = std::find_if(resources.begin(), resources.end(), [&](const Resource& resource) {
        return resource.type == type && resource.name == name;
    });
    if (found == resources.end()) return std::nullopt;
    return *found;
}

}  // namespace posix
