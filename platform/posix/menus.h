// Menus loaded from menu templates or made by the program, behind HMENU handles.
#pragma once

#include "internal.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "win32_subset.h"

namespace posix {

struct MenuItem {
    std::string text;  // with its '&' mnemonic and, after a tab, the shortcut label
    UINT id = 0;
    bool separator = false;
    std::vector<MenuItem> popup;  // a pop-up's items; empty for a command
    bool isPopup() const { return !popup.empty(); }
};

struct Menu {
    std::vector<MenuItem> items;
};

// Reads a standard (not extended) menu template; nullopt when it is malformed.
std::optional<Menu> parseMenuTemplate(std::span<const std::uint8_t> menuTemplate);

// The menu behind a handle that LoadMenuA or CreateMenu returned; null for any other value.
const Menu* menuFromHandle(HMENU menu);

// The command of the menu bar's item whose mnemonic is the letter, as Alt with the letter
// chooses it; 0 for none, and for a pop-up's letter, whose menu the display opens itself.
UINT commandOfLetter(const Menu& menu, int letter);

// The keys of the shortcuts that the items' labels name with Ctrl ("Ctrl+H",
// "Ctrl+F2"), as virtual keys, in the order the items come.
std::vector<int> ctrlShortcutKeys(const Menu& menu);

}  // namespace posix
