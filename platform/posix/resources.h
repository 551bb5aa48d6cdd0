// The module's resources: the .res file that the build compiles from the
// resource script and embeds in the executable.
#pragma once

#include "internal.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "win32_subset.h"

namespace posix {

// Standard resource types.
constexpr WORD resourceTypeCursor = 1;
constexpr WORD resourceTypeBitmap = 2;
constexpr WORD resourceTypeIcon = 3;
constexpr WORD resourceTypeMenu = 4;
constexpr WORD resourceTypeGroupIcon = 14;
constexpr WORD resourceTypeVersion = 16;
constexpr WORD resourceTypeManifest = 24;

// A type or name: a 16-bit id, or a name (kept in upper case, as Windows compares them).
using ResourceKey = std::variant<WORD, std::string>;

struct Resource {
    ResourceKey type;
    ResourceKey name;
    WORD language = 0;
    std::span<const std::uint8_t> data;
};

// Reads every entry of a .res file; nullopt when it is malformed.
std::optional<std::vector<Resource>> parseResourceFile(std::span<const std::uint8_t> file);

// The key that a Win32 call's type or name argument stands for (MAKEINTRESOURCE or text).
ResourceKey resourceKey(LPCSTR typeOrName);

// The embedded .res file. Each executable links one, made by the build from its script.
std::span<const std::uint8_t> moduleResourceFile();

// The module's resource of that type and name in any language; nullopt when absent.
std::optional<Resource> findModuleResource(const ResourceKey& type, const ResourceKey& name);

// Reads the little-endian values of resource data in order. A read past the end
// gives zeros and marks the reader failed, so a parser checks once per step.
class ResourceReader {
public:
    explicit ResourceReader(std::span<const std::uint8_t> data) : data(data) {}

    std::uint8_t byte();
    WORD word();
    DWORD dword();
    std::span<const std::uint8_t> bytes(std::size_t count);
    // A NUL-terminated UTF-16 string as 8-bit text; '?' for what Latin-1 lacks.
    std::string text();
    void skipTo(std::size_t offset);
    void alignTo(std::size_t boundary);

    std::size_t offset() const { return position; }
    bool failed() const { return hasFailed; }

private:
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
    bool hasFailed = false;
};

// Objects made from the module's resources, one per resource and kept for the
// process: their addresses serve as handles, and loading again gives the same one.
template <typename Object>
class LoadedResources {
public:
    // The object made by make(data) on first use; null when make fails.
    template <typename Make>
    const Object* load(std::span<const std::uint8_t> data, Make make) {
        auto found = objects.find(data.data());
        if (found != objects.end()) return found->second.get();
        std::optional<Object> made = make(data);
        if (!made) return nullptr;
        return objects.emplace(data.data(), std::make_unique<Object>(std::move(*made)))
            .first->second.get();
    }

    // The object whose address a handle holds; null for any other value.
    const Object* find(const void* handle) const {
        for (const auto& [source, object] : objects)
            if (object.get() == handle) return object.get();
        return nullptr;
    }

private:
    std::map<const std::uint8_t*, std::unique_ptr<Object>> objects;
};

}  // namespace posix
