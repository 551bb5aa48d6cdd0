// Menus from menu templates or made item by item: LoadMenuA, CreateMenu, AppendMenuA, SetMenu,
// GetMenu, and the choice of an item.
#include "menus.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <string_view>

#include "desktop.h"
#include "display.h"
#include "mnemonics.h"
#include "resources.h"
#include "user_input.h"

namespace posix {

namespace {

constexpr WORD popupFlag = 0x0010;   // MF_POPUP
constexpr WORD endFlag = 0x0080;     // MF_END: the last item of its level
constexpr WORD separatorFlag = 0x0800;  // MF_SEPARATOR
// Deeper than any real menu; it bounds the recursion on hostile data.
constexpr int deepestNesting = 16;

bool readItems(ResourceReader& reader, std::vector<MenuItem>& items, int depth) {
    if (depth > deepestNesting) return false;
    WORD flags = 0;
    do {
        flags = reader.word();
        MenuItem item;
        const bool popup = (flags & popupFlag) != 0;
        if (!popup) item.id = reader.word();
        item.text = reader.text();
        if (reader.failed()) return false;
        if (popup) {
            if (!readItems(reader, item.popup, depth + 1)) return false;
        } else {
            item.separator = (flags & separatorFlag) != 0 || (item.id == 0 && item.text.empty());
        }
        items.push_back(std::move(item));
    } while ((flags & endFlag) == 0);
    return true;
}

// The key a shortcut label names after "Ctrl+": one letter or digit, or F1 to F24; 0 for any other.
int keyAfterCtrl(std::string_view label) {
    constexpr std::string_view ctrl = "Ctrl+";
    if (!label.starts_with(ctrl)) return 0;
    const std::string_view key = label.substr(ctrl.size());
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0])))
        return std::toupper(static_cast<unsigned char>(key[0]));
    if (key.size() < 2 || key[0] != 'F') return 0;
    int number = 0;
    const auto [end, failure] = std::from_chars(key.data() + 1, key.data() + key.size(), number);
    if (failure != std::errc{} || end != key.data() + key.size() || number < 1 || number > 24) return 0;
    return VK_F1 + number - 1;
}

void addCtrlShortcutKeys(const std::vector<MenuItem>& items, std::vector<int>& keys) {
    for (const MenuItem& item : items) {
        addCtrlShortcutKeys(item.popup, keys);
        const std::size_t tab = item.text.find('\t');
        if (tab == std::string::npos) continue;
        if (int key = keyAfterCtrl(std::string_view(item.text).substr(tab + 1)); key != 0) keys.push_back(key);
    }
}

// Differs from Windows: menus live for the whole process; there is no DestroyMenu.
LoadedResources<Menu>& loadedMenus() {
    static LoadedResources<Menu> menus;
    return menus;
}

// Differs from Windows: menus made by CreateMenu live for the whole process too.
std::vector<std::unique_ptr<Menu>>& madeMenus() {
    static std::vector<std::unique_ptr<Menu>> menus;
    return menus;
}

Menu* madeMenu(HMENU handle) {
    for (const std::unique_ptr<Menu>& menu : madeMenus())
        if (reinterpret_cast<HMENU>(menu.get()) == handle) return menu.get();
    return nullptr;
}

}  // namespace

std::optional<Menu> parseMenuTemplate(std::span<const std::uint8_t> menuTemplate) {
    ResourceReader reader(menuTemplate);
    const WORD version = reader.word();
    const WORD headerExtra = reader.word();
    if (reader.failed() || version != 0) return std::nullopt;
    reader.skipTo(reader.offset() + headerExtra);
    Menu menu;
    if (!readItems(reader, menu.items, 0)) return std::nullopt;
    return menu;
}

const Menu* menuFromHandle(HMENU menu) {
    if (const Menu* made = madeMenu(menu)) return made;
    return loadedMenus().find(menu);
}

UINT commandOfLetter(const Menu& menu, int letter) {
    const int wanted = std::tolower(letter);
    const auto item = std::find_if(menu.items.begin(), menu.items.end(), [wanted](const MenuItem& candidate) {
        return !candidate.separator && mnemonicOf(candidate.text) == wanted;
    });
    return item == menu.items.end() || item->isPopup() ? 0 : item->id;
}

void chooseMenuItem(HWND window, UINT commandId) {
    // Windows never runs the menu of a disabled window: a modal box or dialog holds it.
    const WindowRecord* record = findWindow(window);
    if (record && record->enabled) PostMessageA(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

std::vector<int> ctrlShortcutKeys(const Menu& menu) {
    std::vector<int> keys;
    addCtrlShortcutKeys(menu.items, keys);
    return keys;
}

}  // namespace posix

HMENU WINAPI LoadMenuA(HINSTANCE, LPCSTR name) {
    const auto resource =
        posix::findModuleResource(posix::resourceTypeMenu, posix::resourceKey(name));
    if (!resource) return nullptr;
    const posix::Menu* menu = posix::loadedMenus().load(resource->data, posix::parseMenuTemplate);
    return reinterpret_cast<HMENU>(const_cast<posix::Menu*>(menu));
}

HMENU WINAPI CreateMenu() {
    posix::madeMenus().push_back(std::make_unique<posix::Menu>());
    return reinterpret_cast<HMENU>(posix::madeMenus().back().get());
}

// Differs from Windows: only text items are appended, and only to a menu that CreateMenu made;
// a menu already shown is not shown again with them.
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    posix::Menu* made = posix::madeMenu(menu);
    if (!made || flags != MF_STRING || !text) return FALSE;
    made->items.push_back({.text = text, .id = static_cast<UINT>(id), .separator = false, .popup = {}});
    return TRUE;
}

BOOL WINAPI SetMenu(HWND window, HMENU menu) {
    posix::WindowRecord* record = posix::findWindow(window);
    if (!record) return FALSE;
    record->menu = menu;
    posix::display().windowMenuChanged(window, posix::menuFromHandle(menu));
    return TRUE;
}

HMENU WINAPI GetMenu(HWND window) {
    const posix::WindowRecord* record = posix::findWindow(window);
    return record ? record->menu : nullptr;
}
