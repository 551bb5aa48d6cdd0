// The module's resources: the .res file that the build compiles from the
// resource script and embeds in the executable.
#pragma once

#include <cstdint>
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

}  // namespace posix
