// A window's menu bar, built from the menu template it was given. Alt with an
// item's '&' letter opens its menu; the text after a tab shows at the item's
// right as a label only, so no key chooses an item behind the program's back.
#pragma once

#include "internal.h"

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>

#include <deque>
#include <string>
#include <vector>

#include "menus.h"

namespace posix {

class MenuBar : public Fl_Menu_Bar {
public:
    // Choosing an item posts WM_COMMAND with the item's id to the window.
    MenuBar(HWND window, const Menu& menu, int width);

    const Menu* source() const { return shown; }
    // Opens the menu whose mnemonic was typed with Alt; false when there is none.
    bool openByMnemonic();

private:
    void addItems(const std::vector<MenuItem>& menuItems);
    // An item was chosen: WM_COMMAND with its id is posted, as on Windows.
    static void postChosenCommand(Fl_Widget* bar, void* commandId);

    const HWND window;
    const Menu* const shown;
    std::deque<std::string> labels;  // the items point into it
    std::vector<Fl_Menu_Item> items;
};

}  // namespace posix
