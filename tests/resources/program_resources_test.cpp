// Reads the program's compiled resource script back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "images.h"
#include "menus.h"
#include "module_resource_keys.h"
#include "resource_ids.h"
#include "resources.h"

namespace {

using posix::ResourceKey;

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

std::span<const std::uint8_t> resourceData(WORD type, WORD id) {
    const auto resource = posix::findModuleResource(type, id);
    return resource ? resource->data : std::span<const std::uint8_t>{};
}

TEST(ProgramResources, HoldExactlyTheProgramsResourcesAllInDutchBelgian) {
    const auto keys = moduleResourceKeysInDutchBelgian();
    const std::vector<std::pair<ResourceKey, ResourceKey>> expected = {
        {WORD{2}, WORD{IDB_ABOUT}},         {WORD{3}, WORD{1}},
        {WORD{3}, WORD{2}},                 {WORD{4}, WORD{IDR_DUTCH_MENU}},
        {WORD{4}, WORD{IDR_ENGLISH_MENU}},  {WORD{14}, WORD{IDI_PIPALO}},
        {WORD{14}, WORD{IDI_PIPALO_SMALL}}, {WORD{16}, WORD{1}},
        {WORD{24}, WORD{1}},
    };
    EXPECT_EQ(keys, expected);
}

// One line a pop-up or item: items indented, "text = id", a separator as "-".
std::vector<std::string> describe(const std::vector<posix::MenuItem>& items,
                                  const std::string& indent = "") {
    std::vector<std::string> lines;
    for (const posix::MenuItem& item : items) {
        if (item.isPopup()) {
            lines.push_back(indent + item.text);
            for (const std::string& line : describe(item.popup, indent + "  ")) lines.push_back(line);
        } else if (item.separator) {
            lines.push_back(indent + "-");
        } else {
            lines.push_back(indent + item.text + " = " + std::to_string(item.id));
        }
    }
    return lines;
}

// An item's line as describe writes it.
std::string itemLine(const std::string& text, UINT id) { return "  " + text + " = " + std::to_string(id); }

std::vector<std::string> menuLines(WORD id) {
    const posix::Menu* menu = posix::menuFromHandle(LoadMenuA(instance(), MAKEINTRESOURCEA(id)));
    return menu ? describe(menu->items) : std::vector<std::string>{"(no menu)"};
}

TEST(ProgramResources, EnglishMenuBar) {
    EXPECT_EQ(menuLines(IDR_ENGLISH_MENU), (std::vector<std::string>{
                                  "&File",
                                  itemLine("&Hide Interface\tCtrl+H", IDM_HIDE_INTERFACE),
                                  itemLine("&Exit\tAlt+F4", IDM_EXIT),
                                  "&Record",
                                  itemLine("St&art Recording\tCtrl+R", IDM_START_RECORDING),
                                  itemLine("S&top Recording...\tCtrl+S", IDM_STOP_RECORDING),
                                  itemLine("&Reset Recording\tCtrl+T", IDM_RESET_RECORDING),
                                  "  -",
                                  itemLine("&Play... \tCtrl+P", IDM_PLAY),
                                  "&Help",
                                  itemLine("Contents\tCtrl+F1", IDM_CONTENTS),
                                  itemLine("&About...\tCtrl+F2", IDM_ABOUT),
                              }));
}

TEST(ProgramResources, DutchMenuBar) {
    EXPECT_EQ(menuLines(IDR_DUTCH_MENU), (std::vector<std::string>{
                                  "&Bestand",
                                  itemLine("&Verberg Interface\tCtrl+H", IDM_HIDE_INTERFACE),
                                  itemLine("&Afsluiten\tAlt+F4", IDM_EXIT),
                                  "&Opname",
                                  itemLine("St&art Opname\tCtrl+R", IDM_START_RECORDING),
                                  itemLine("S&top Opname...\tCtrl+S", IDM_STOP_RECORDING),
                                  itemLine("&Reset Opname\tCtrl+T", IDM_RESET_RECORDING),
                                  "  -",
                                  itemLine("Afspelen... \tCtrl+P", IDM_PLAY),
                                  "&Help",
                                  itemLine("&Inhoudsopgave\tCtrl+F1", IDM_CONTENTS),
                                  itemLine("&About...\tCtrl+F2", IDM_ABOUT),
                              }));
}

struct GroupEntry {
    int width, height, bitsPerPixel, imageId;
    bool operator==(const GroupEntry&) const = default;
};

std::vector<GroupEntry> groupEntries(WORD groupId) {
    posix::ResourceReader reader(resourceData(posix::resourceTypeGroupIcon, groupId));
    reader.word();
    reader.word();
    std::vector<GroupEntry> entries(reader.word());
    for (GroupEntry& entry : entries) {
        entry.width = reader.byte();
        entry.height = reader.byte();
        reader.bytes(4);
        entry.bitsPerPixel = reader.word();
        reader.dword();
        entry.imageId = reader.word();
    }
    return reader.failed() ? std::vector<GroupEntry>{} : entries;
}

void expectIcon(WORD groupId, int size, int bitsPerPixel, int imageId) {
    SCOPED_TRACE("icon " + std::to_string(groupId));
    EXPECT_EQ(groupEntries(groupId), (std::vector<GroupEntry>{{size, size, bitsPerPixel, imageId}}));
    const posix::Icon* icon = posix::iconFromHandle(LoadIconA(instance(), MAKEINTRESOURCEA(groupId)));
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->images.size(), 1u);
    const posix::Picture& picture = icon->images[0];
    EXPECT_EQ(picture.width, size);
    EXPECT_EQ(picture.height, size);
    EXPECT_EQ(picture.bitsPerPixel, bitsPerPixel);
    // A rounded tile: clear in the corner, solid in the middle.
    EXPECT_EQ(picture.pixels.front() >> 24, 0u);
    EXPECT_EQ(picture.pixels[static_cast<std::size_t>(size * size / 2 + size / 2)] >> 24, 0xFFu);
}

TEST(ProgramResources, IconGroupsEachHoldOneImage) {
    expectIcon(IDI_PIPALO, 48, 24, 1);
    expectIcon(IDI_PIPALO_SMALL, 16, 32, 2);
}

TEST(ProgramResources, AboutBitmapIsUncompressedEightBitWithAFullColourTable) {
    posix::ResourceReader reader(resourceData(posix::resourceTypeBitmap, IDB_ABOUT));
    EXPECT_EQ(reader.dword(), 40u);
    EXPECT_EQ(reader.dword(), 320u);
    EXPECT_EQ(reader.dword(), 74u);
    EXPECT_EQ(reader.word(), 1);
    EXPECT_EQ(reader.word(), 8);
    EXPECT_EQ(reader.dword(), 0u) << "compression";
    reader.bytes(12);
    const DWORD coloursUsed = reader.dword();
    EXPECT_TRUE(coloursUsed == 0 || coloursUsed == 256) << coloursUsed;
    EXPECT_EQ(resourceData(posix::resourceTypeBitmap, IDB_ABOUT).size(), 40u + 256 * 4 + 320 * 74);

    const posix::Picture* bitmap = posix::bitmapFromHandle(
        LoadImageA(instance(), MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 320);
    EXPECT_EQ(bitmap->height, 74);
    EXPECT_EQ(bitmap->bitsPerPixel, 8);
}

TEST(ProgramResources, ManifestAsksForCommonControlsSix) {
    const auto data = resourceData(posix::resourceTypeManifest, 1);
    const std::string manifest(data.begin(), data.end());
    ASSERT_EQ(manifest.size(), 613u);
    EXPECT_EQ(manifest.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n", 0),
              0u);
    EXPECT_TRUE(manifest.ends_with("\r\n</assembly> "));
    for (std::size_t at = 0; at < manifest.size(); ++at) {
        EXPECT_LT(static_cast<unsigned char>(manifest[at]), 0x80u) << "byte " << at;
        if (manifest[at] == '\n') {
            EXPECT_EQ(manifest[at - 1], '\r') << "bare line feed at " << at;
        }
        if (manifest[at] == '\r') {
            EXPECT_EQ(manifest[at + 1], '\n') << "bare return at " << at;
        }
    }
    for (const char* expected : {
             "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
             "version=\"1.0.0.0\"", "processorArchitecture=\"x86\"", "name=\"Pipalo.exe\"",
             "<description>The TarnWell Pipalo!</description>",
             "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
             "processorArchitecture=\"X86\"", "publicKeyToken=\"6595b64144ccf1df\"",
             "language=\"*\""})
        EXPECT_NE(manifest.find(expected), std::string::npos) << expected;
    EXPECT_EQ(manifest.find("<dependency>"), manifest.rfind("<dependency>")) << "one dependency";
}

// A node of the version block: its key, its value and its children.
struct VersionNode {
    std::size_t length = 0;
    std::string key;
    std::vector<std::uint8_t> value;
    std::vector<VersionNode> children;

    std::string text() const {
        std::string result;
        for (std::size_t at = 0; at + 1 < value.size() && (value[at] || value[at + 1]); at += 2)
            result += static_cast<char>(value[at]);
        return result;
    }
    const VersionNode* child(const std::string& name) const {
        for (const VersionNode& node : children)
            if (node.key == name) return &node;
        return nullptr;
    }
};

VersionNode readVersionNode(std::span<const std::uint8_t> data, std::size_t start) {
    posix::ResourceReader reader(data);
    reader.skipTo(start);
    VersionNode node;
    node.length = reader.word();
    const WORD valueLength = reader.word();
    const bool isText = reader.word() == 1;  // a text value counts its length in characters
    node.key = reader.text();
    reader.alignTo(4);
    const auto value = reader.bytes(isText ? valueLength * 2u : valueLength);
    node.value.assign(value.begin(), value.end());
    EXPECT_FALSE(reader.failed()) << "node " << node.key;
    for (reader.alignTo(4); !reader.failed() && reader.offset() < start + node.length;
         reader.alignTo(4)) {
        node.children.push_back(readVersionNode(data, reader.offset()));
        if (node.children.back().length == 0) break;
        reader.skipTo(reader.offset() + node.children.back().length);
    }
    return node;
}

DWORD dwordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return posix::ResourceReader(std::span(bytes).subspan(at)).dword();
}

TEST(ProgramResources, VersionBlock) {
    const VersionNode root = readVersionNode(resourceData(posix::resourceTypeVersion, 1), 0);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), 52u);
    const std::vector<DWORD> fixed = {0xFEEF04BD, 0x00040000, 0, 0x00040000, 0, 0x3F, 0,
                                      0x40004,    1,          0, 0, 0};
    const std::vector<std::string> fields = {
        "signature", "file version high", "file version low", "product version high",
        "product version low", "flags mask", "flags", "operating system", "file type",
        "subtype", "date high", "date low"};
    for (std::size_t field = 0; field < fields.size(); ++field) {
        const std::size_t at = field == 0 ? 0 : 4 * (field + 1);  // after the structure version
        EXPECT_EQ(dwordAt(root.value, at), fixed[field]) << fields[field];
    }

    const VersionNode* strings = root.child("StringFileInfo");
    ASSERT_NE(strings, nullptr);
    ASSERT_EQ(strings->children.size(), 1u);
    const VersionNode& table = strings->children[0];
    EXPECT_EQ(table.key, "081304b0");
    std::vector<std::pair<std::string, std::string>> entries;
    for (const VersionNode& entry : table.children) entries.emplace_back(entry.key, entry.text());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Comments", ""},
        {"CompanyName", "TarnWell Development"},
        {"FileDescription", "Pipalo"},
        {"FileVersion", "4, 0, 0, 0"},
        {"InternalName", "Pipalo"},
        {"LegalCopyright", "Copyright (C) TarnWell Development"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "Pipalo.exe"},
        {"PrivateBuild", ""},
        {"ProductName", "TarnWell Development Pipalo"},
        {"ProductVersion", "4, 0, 0, 0"},
        {"SpecialBuild", ""},
    };
    EXPECT_EQ(entries, expected);

    const VersionNode* variables = root.child("VarFileInfo");
    ASSERT_NE(variables, nullptr);
    const VersionNode* translation = variables->child("Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->value, (std::vector<std::uint8_t>{0x13, 0x08, 0xB0, 0x04}));
}

}  // namespace
