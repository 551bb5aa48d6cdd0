// A window's menu bar, built from the menu template it was given. Alt with an item's '&'
// letter opens its menu; the text after a tab shows at the item's right as a label only,
// so no key chooses an item behind the program's back.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include "menus.h"

namespace posix {

class MenuBar {
public:
    // Choosing an item posts WM_COMMAND with the item's id to the window.
    MenuBar(HWND window, const Menu& menu);
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    const Menu* source() const { return shown; }
    GtkWidget* widget() const { return bar; }

private:
    GtkWidget* itemOf(const MenuItem& source);
    static void chosen(GtkMenuItem* item, gpointer self);

    const HWND window;
    const Menu* const shown;
    GtkWidget* bar;  // a reference is kept while the menu bar lives
};

}  // namespace posix
