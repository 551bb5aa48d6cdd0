// Reading the embedded .res file, and refusing broken ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module_resource_keys.h"
#include "resources.h"

namespace {

using posix::ResourceKey;

std::vector<std::uint8_t> moduleFileCopy() {
    const auto file = posix::moduleResourceFile();
    return {file.begin(), file.end()};
}

void putDword(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string text(std::span<const std::uint8_t> data) { return {data.begin(), data.end()}; }

// The first entry after the 32-byte format marker.
constexpr std::size_t firstEntry = 32;

TEST(ResourceFile, ReadsEveryEntryOfTheScriptInDutchBelgian) {
    const auto keys = moduleResourceKeysInDutchBelgian();
    const std::vector<std::pair<ResourceKey, ResourceKey>> expected = {
        {"TUNEDATA", WORD{5}},  {WORD{2}, WORD{20}},  {WORD{2}, WORD{21}},
        {WORD{2}, WORD{22}},    {WORD{3}, WORD{1}},   {WORD{3}, WORD{2}},
        {WORD{4}, "NAMEDMENU"}, {WORD{4}, WORD{10}},  {WORD{14}, WORD{30}},
        {WORD{14}, WORD{31}},
    };
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(text(posix::parseResourceFile(posix::moduleResourceFile())->front().data), "tune");
}

TEST(ResourceFile, FindsByTypeAndNameWithNamesIgnoringCase) {
    const auto tune = posix::findModuleResource(posix::resourceKey("TuneData"), WORD{5});
    ASSERT_TRUE(tune);
    EXPECT_EQ(text(tune->data), "tune");
    EXPECT_TRUE(posix::findModuleResource(posix::resourceTypeMenu, posix::resourceKey("namedmenu")));
    EXPECT_FALSE(posix::findModuleResource(posix::resourceTypeMenu, WORD{11}));
    EXPECT_FALSE(posix::findModuleResource(posix::resourceTypeBitmap, WORD{10}));
    EXPECT_FALSE(posix::findModuleResource(posix::resourceKey("TUNE"), WORD{5}));
}

TEST(ResourceKey, IntegerResourcesAreIdsAndTextIsAName) {
    EXPECT_EQ(posix::resourceKey(MAKEINTRESOURCEA(116)), ResourceKey{WORD{116}});
    EXPECT_EQ(posix::resourceKey(MAKEINTRESOURCEA(0xFFFF)), ResourceKey{WORD{0xFFFF}});
    EXPECT_EQ(posix::resourceKey("Menu1"), ResourceKey{"MENU1"});
}

TEST(ResourceFile, RejectsMalformedFiles) {
    const auto valid = moduleFileCopy();
    const auto parse = [](const std::vector<std::uint8_t>& bytes) {
        return posix::parseResourceFile(bytes);
    };
    auto broken = valid;
    EXPECT_FALSE(parse({})) << "empty";
    EXPECT_FALSE(parse({valid.begin() + firstEntry, valid.end()})) << "no format marker";

    putDword(broken, firstEntry, 0xFFFFFFF0);
    EXPECT_FALSE(parse(broken)) << "data size beyond the end";

    broken = valid;
    putDword(broken, firstEntry + 4, 0x7FFFFFFF);
    EXPECT_FALSE(parse(broken)) << "header size beyond the end";

    broken = valid;
    putDword(broken, firstEntry + 4, 4);
    EXPECT_FALSE(parse(broken)) << "header smaller than its two sizes";

    broken = valid;
    putDword(broken, firstEntry + 4, 16);
    EXPECT_FALSE(parse(broken)) << "type name running past the header";

    broken = valid;
    putDword(broken, firstEntry + 4, 40);
    EXPECT_FALSE(parse(broken)) << "header too short for its fixed fields";

    broken = valid;
    broken.insert(broken.end(), {0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(parse(broken)) << "stray bytes after the last entry";
}

TEST(ResourceFile, ATruncatedFileIsMalformedOrEndsBetweenEntries) {
    const auto valid = moduleFileCopy();
    const auto full = posix::parseResourceFile(valid);
    ASSERT_TRUE(full);
    int prefixes = 0;
    for (std::size_t cut = 0; cut < valid.size(); ++cut) {
        const std::vector<std::uint8_t> truncated(valid.begin(), valid.begin() + cut);
        const auto entries = posix::parseResourceFile(truncated);
        if (!entries) continue;
        ++prefixes;
        ASSERT_LT(entries->size(), full->size()) << "cut at " << cut;
        for (std::size_t i = 0; i < entries->size(); ++i) {
            EXPECT_EQ((*entries)[i].type, (*full)[i].type) << "cut at " << cut;
            EXPECT_EQ((*entries)[i].name, (*full)[i].name) << "cut at " << cut;
            EXPECT_EQ(text((*entries)[i].data), text((*full)[i].data)) << "cut at " << cut;
        }
    }
    // One cut after the marker and after each entry but the last, each padded or not.
    EXPECT_GE(prefixes, static_cast<int>(full->size()));
}

}  // namespace
