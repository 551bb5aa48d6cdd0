// LoadMenuA reading menu templates, and the menus it gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menus.h"
#include "headless/driver.h"

namespace {

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

// A menu template written word by word; text is ASCII.
class TemplateWriter {
public:
    TemplateWriter& word(WORD value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    TemplateWriter& text(const std::string& value) {
        for (char c : value) word(static_cast<unsigned char>(c));
        return word(0);
    }
    TemplateWriter& header() { return word(0).word(0); }
    TemplateWriter& command(WORD flags, WORD id, const std::string& label) {
        return word(flags).word(id).text(label);
    }
    std::vector<std::uint8_t> bytes;
};

constexpr WORD popup = 0x10;
constexpr WORD last = 0x80;

TEST(MenuTemplate, ReadsTextsIdsSeparatorsAndNestedPopups) {
    const posix::Menu* menu = posix::menuFromHandle(LoadMenuA(instance(), MAKEINTRESOURCEA(10)));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 2u);

    const posix::MenuItem& top = menu->items[0];
    EXPECT_EQ(top.text, "&Top");
    ASSERT_TRUE(top.isPopup());
    ASSERT_EQ(top.popup.size(), 3u);
    EXPECT_EQ(top.popup[0].text, "&One\tCtrl+1");
    EXPECT_EQ(top.popup[0].id, 201u);
    EXPECT_FALSE(top.popup[0].separator);
    EXPECT_TRUE(top.popup[1].separator);
    EXPECT_EQ(top.popup[1].text, "");
    const posix::MenuItem& nested = top.popup[2];
    EXPECT_EQ(nested.text, "&Nested");
    ASSERT_EQ(nested.popup.size(), 1u);
    EXPECT_EQ(nested.popup[0].text, "Deep");
    EXPECT_EQ(nested.popup[0].id, 202u);

    const posix::MenuItem& command = menu->items[1];
    EXPECT_EQ(command.text, "Bar &command");
    EXPECT_EQ(command.id, 203u);
    EXPECT_FALSE(command.isPopup());
    EXPECT_FALSE(command.separator);
}

TEST(MenuTemplate, SkipsTheHeaderExtensionAndNarrowsText) {
    TemplateWriter writer;
    writer.word(0).word(2).word(0xABCD);
    writer.word(last).word(7).word('C').word(0xE9).word(0x263A).word(0);
    const auto menu = posix::parseMenuTemplate(writer.bytes);
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->items.size(), 1u);
    EXPECT_EQ(menu->items[0].text, "C\xE9?");
    EXPECT_EQ(menu->items[0].id, 7u);
}

TEST(MenuTemplate, RejectsMalformedTemplates) {
    const auto parses = [](const TemplateWriter& writer) {
        return posix::parseMenuTemplate(writer.bytes).has_value();
    };
    EXPECT_FALSE(parses(TemplateWriter{})) << "empty";
    EXPECT_FALSE(parses(TemplateWriter{}.word(1).word(4).word(0).word(0)))
        << "extended menu template";
    EXPECT_FALSE(parses(TemplateWriter{}.word(0).word(40).command(last, 1, "x")))
        << "header extension beyond the end";
    EXPECT_FALSE(parses(TemplateWriter{}.header().command(0, 1, "x")))
        << "no item marked last";
    EXPECT_FALSE(parses(TemplateWriter{}.header().word(last).word(1).word('x')))
        << "text without its terminator";
    EXPECT_FALSE(parses(TemplateWriter{}.header().word(popup | last).text("File")))
        << "pop-up without its items";

    TemplateWriter deep;
    deep.header();
    for (int level = 0; level < 100; ++level) deep.word(popup | last).text("p");
    deep.command(last, 1, "x");
    EXPECT_FALSE(parses(deep)) << "nesting beyond any real menu";

    TemplateWriter valid;
    valid.header().word(popup | last).text("File").command(last, 1, "x");
    EXPECT_TRUE(parses(valid));
    for (std::size_t cut = 0; cut < valid.bytes.size(); ++cut)
        EXPECT_FALSE(posix::parseMenuTemplate(std::span(valid.bytes).first(cut)))
            << "cut at " << cut;
}

TEST(MenuTemplate, CtrlShortcutKeysComeFromTheLabelsAfterTheTab) {
    const auto submenu = [](const std::string& text, std::vector<posix::MenuItem> items) {
        posix::MenuItem item;
        item.text = text;
        item.popup = std::move(items);
        return item;
    };
    const auto command = [&](const std::string& text) { return submenu(text, {}); };
    posix::Menu menu;
    menu.items = {
        submenu("&File", {command("&Hide\tCtrl+H"), command("E&xit\tAlt+F4"), command("Ctrl+X in the text")}),
        submenu("&Help", {command("&About\tCtrl+F2"), submenu("Deep", {command("Last\tCtrl+F12")})}),
        command("Odd\tCtrl+F25"), command("Odd\tCtrl+Shift+S"), command("Odd\tCtrl+"),
        command("Find\tCtrl+F"), command("Odd\tCtrl+F0"), command("Digit\tCtrl+7"), command("Lower\tCtrl+p"),
    };
    EXPECT_EQ(posix::ctrlShortcutKeys(menu), (std::vector<int>{'H', VK_F2, VK_F12, 'F', '7', 'P'}));
}

TEST(LoadMenu, FindsMenusByIdOrNameAndGivesNullForMissingOnes) {
    const HMENU byId = LoadMenuA(instance(), MAKEINTRESOURCEA(10));
    EXPECT_NE(byId, nullptr);
    EXPECT_EQ(LoadMenuA(instance(), MAKEINTRESOURCEA(10)), byId);

    const posix::Menu* named = posix::menuFromHandle(LoadMenuA(instance(), "namedMenu"));
    ASSERT_NE(named, nullptr);
    ASSERT_EQ(named->items.size(), 1u);
    EXPECT_EQ(named->items[0].id, 301u);

    EXPECT_EQ(LoadMenuA(instance(), MAKEINTRESOURCEA(11)), nullptr);
    EXPECT_EQ(LoadMenuA(instance(), "nothing"), nullptr);

    int notAMenu = 0;
    EXPECT_EQ(posix::menuFromHandle(reinterpret_cast<HMENU>(&notAMenu)), nullptr);
    EXPECT_EQ(posix::menuFromHandle(nullptr), nullptr);
}

TEST(SetMenu, AttachesAndDetachesTheMenuOfAWindow) {
    headless::Driver driver;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance();
    windowClass.lpszClassName = "MenuTest";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, "MenuTest", "menu", WS_OVERLAPPED, 0, 0, 100, 100,
                                        nullptr, nullptr, instance(), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);

    const HMENU menu = LoadMenuA(instance(), MAKEINTRESOURCEA(10));
    EXPECT_TRUE(SetMenu(window, menu));
    EXPECT_EQ(GetMenu(window), menu);
    ASSERT_NE(driver.menuOf(window), nullptr);
    EXPECT_EQ(driver.menuOf(window)->items[1].id, 203u);

    EXPECT_TRUE(SetMenu(window, nullptr));
    EXPECT_EQ(GetMenu(window), nullptr);

    DestroyWindow(window);
    EXPECT_FALSE(SetMenu(window, menu));
    EXPECT_EQ(GetMenu(window), nullptr);
    UnregisterClassA("MenuTest", instance());
}

}  // namespace
