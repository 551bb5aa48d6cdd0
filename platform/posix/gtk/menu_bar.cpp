// A window's menu bar as a GTK menu bar.
#include "gtk/menu_bar.h"

#include <string>

#include "gtk/labels.h"
#include "user_input.h"

namespace posix {

namespace {

// The item's text, before the tab, with its mnemonic, and the shortcut label after it.
// GTK names the item by the first label, its text; the shortcut label is not read with it.
GtkWidget* itemLabel(const std::string& text) {
    const std::size_t tab = text.find('\t');
    GtkWidget* label = gtk_label_new_with_mnemonic(gtkMnemonicLabel(text.substr(0, tab)).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    if (tab == std::string::npos) return label;
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
    GtkWidget* shortcut = gtk_label_new(text.substr(tab + 1).c_str());
    // Drawn as GTK draws an accelerator, though none is made.
    gtk_style_context_add_class(gtk_widget_get_style_context(shortcut), "accelerator");
    gtk_widget_set_margin_start(shortcut, 24);
    gtk_box_pack_end(GTK_BOX(row), shortcut, FALSE, FALSE, 0);
    return row;
}

}  // namespace

MenuBar::MenuBar(HWND window, const Menu& menu)
    : window(window), shown(&menu), bar(GTK_WIDGET(g_object_ref_sink(gtk_menu_bar_new()))) {
    for (const MenuItem& item : menu.items)
        if (GtkWidget* made = itemOf(item)) gtk_menu_shell_append(GTK_MENU_SHELL(bar), made);
    gtk_widget_show_all(bar);
}

MenuBar::~MenuBar() {
    gtk_widget_destroy(bar);
    g_object_unref(bar);
}

GtkWidget* MenuBar::itemOf(const MenuItem& source) {
    if (source.separator) return gtk_separator_menu_item_new();
    GtkWidget* item = gtk_menu_item_new();
    gtk_container_add(GTK_CONTAINER(item), itemLabel(source.text));
    if (source.isPopup()) {
        GtkWidget* popup = gtk_menu_new();
        for (const MenuItem& inner : source.popup)
            gtk_menu_shell_append(GTK_MENU_SHELL(popup), itemOf(inner));
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), popup);
    } else {
        g_object_set_data(G_OBJECT(item), "pipalo-command", GUINT_TO_POINTER(source.id));
        g_signal_connect(item, "activate", G_CALLBACK(chosen), this);
    }
    return item;
}

void MenuBar::chosen(GtkMenuItem* item, gpointer self) {
    const auto id = static_cast<WORD>(GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "pipalo-command")));
    chooseMenuItem(static_cast<MenuBar*>(self)->window, id);
}

}  // namespace posix
