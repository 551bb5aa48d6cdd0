// A window's menu bar as an FLTK menu bar.
#include "fltk/menu_bar.h"

#include <FL/Fl.H>

#include "fltk/control_text.h"
#include "fltk/frame_metrics.h"

namespace posix {

namespace {

constexpr Fl_Labeltype menuLabelType = FL_FREE_LABELTYPE;
// Room between an item's text and its shortcut label, and after the label.
constexpr int shortcutGap = 24;
constexpr int shortcutMargin = 6;
constexpr Fl_Color highlight = 0x3399FF00;  // Windows' selected-item blue

// The part of a label before the tab, and the shortcut label after it.
std::string textPart(const char* label) {
    const std::string text = label ? label : "";
    return text.substr(0, text.find('\t'));
}

std::string shortcutPart(const char* label) {
    const std::string text = label ? label : "";
    const std::size_t tab = text.find('\t');
    return tab == std::string::npos ? "" : text.substr(tab + 1);
}

void drawMenuLabel(const Fl_Label* label, int x, int y, int width, int height, Fl_Align) {
    drawControlText(textPart(label->value), x, y, width, height, FL_ALIGN_LEFT | FL_ALIGN_INSIDE,
                    label->color);
    const std::string shortcut = shortcutPart(label->value);
    if (!shortcut.empty())
        drawControlText(shortcut, x, y, width - shortcutMargin, height,
                        FL_ALIGN_RIGHT | FL_ALIGN_INSIDE, label->color);
}

void measureMenuLabel(const Fl_Label* label, int& width, int& height) {
    measureControlText(textPart(label->value), width, height);
    const std::string shortcut = shortcutPart(label->value);
    if (shortcut.empty()) return;
    int shortcutWidth = 0;
    int shortcutHeight = 0;
    measureControlText(shortcut, shortcutWidth, shortcutHeight);
    width += shortcutGap + shortcutWidth + shortcutMargin;
}

Fl_Menu_Item menuItem(const std::string& label, int flags) {
    Fl_Menu_Item item{};
    item.text = label.c_str();
    item.flags = flags;
    item.labeltype_ = menuLabelType;
    item.labelfont_ = controlFont;
    item.labelsize_ = controlFontSize;
    item.labelcolor_ = FL_FOREGROUND_COLOR;
    return item;
}

}  // namespace

MenuBar::MenuBar(HWND window, const Menu& menu, int width)
    : Fl_Menu_Bar(0, 0, width, menuBarHeight), window(window), shown(&menu) {
    Fl::set_labeltype(menuLabelType, drawMenuLabel, measureMenuLabel);
    box(FL_FLAT_BOX);
    down_box(FL_FLAT_BOX);
    selection_color(highlight);
    textfont(controlFont);
    textsize(controlFontSize);
    clear_visible_focus();
    addItems(menu.items);
    items.push_back(Fl_Menu_Item{});
    Fl_Menu_Bar::menu(items.data());
}

void MenuBar::addItems(const std::vector<MenuItem>& menuItems) {
    for (const MenuItem& source : menuItems) {
        if (source.separator) {
            if (!items.empty()) items.back().flags |= FL_MENU_DIVIDER;
            continue;
        }
        const std::string& label = labels.emplace_back(source.text);
        if (source.isPopup()) {
            items.push_back(menuItem(label, FL_SUBMENU));
            addItems(source.popup);
            items.push_back(Fl_Menu_Item{});
        } else {
            Fl_Menu_Item item = menuItem(label, 0);
            item.callback_ = postChosenCommand;
            item.user_data_ = reinterpret_cast<void*>(static_cast<std::uintptr_t>(source.id));
            items.push_back(item);
        }
    }
}

bool MenuBar::openByMnemonic() {
    const int key = Fl::event_key();
    for (const Fl_Menu_Item* item = menu(); item && item->text; item = item->next()) {
        if (!item->submenu() || mnemonicOf(item->text) != key) continue;
        picked(menu()->pulldown(x(), y(), w(), h(), item, this, nullptr, 1));
        return true;
    }
    return false;
}

void MenuBar::postChosenCommand(Fl_Widget* bar, void* commandId) {
    const auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(commandId));
    PostMessageA(static_cast<MenuBar*>(bar)->window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

}  // namespace posix
