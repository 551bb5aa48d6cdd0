// A top-level window of the subset as a GTK window: its client area, menu bar, icons,
// title and close box, and the controls placed on it, all at the display's scale. GTK
// acts on nothing by itself here: every input event becomes a posted message, and the
// window procedures decide what follows.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>

#include "display.h"
#include "gtk/control_widgets.h"
#include "gtk/display_scale.h"
#include "gtk/menu_bar.h"
#include "key_messages.h"

namespace posix {

class TopLevelWindow {
public:
    TopLevelWindow(HWND window, const NewWindow& created, KeyTransitions& keyTransitions,
                   const DisplayScale& scale);
    ~TopLevelWindow();
    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    GtkWindow* gtkWindow() const { return GTK_WINDOW(window); }
    bool shown() const { return gtk_widget_get_mapped(window); }
    // Shows the style: visible, minimised, disabled.
    void showStyle(DWORD newStyle);
    void showMenu(const Menu* menu);
    // The window's frame on the screen, as Windows measures it.
    void moveTo(int x, int y, int width, int height);
    bool isMinimized() const { return (style & WS_VISIBLE) && (style & WS_MINIMIZE); }
    // Whether the window manager says it has iconified the window: it may not do as asked.
    bool isIconified() const { return iconified; }
    void onIconifiedChanged(std::function<void()> changed) { iconifiedChanged = std::move(changed); }
    const Menu* menu() const { return menuBar ? menuBar->source() : nullptr; }

    void addControl(HWND control, const NewWindow& created);
    bool hasControl(HWND control) const { return controls.contains(control); }
    void showControlStyle(HWND control, DWORD newStyle);
    void moveControl(HWND control, int x, int y, int width, int height);
    void showControlBitmap(HWND control, const Picture* bitmap);
    void removeControl(HWND control);
    // Shows the keyboard focus on the control, or on none when it is the window's own.
    void showFocus(HWND focus);
    // Brings the window to the front, unless it is there already with the focus.
    void raise();
    // What the close box does while the window is disabled by a modal box or dialog.
    void onCloseWhileDisabled(std::function<void()> closing) { closeWhileDisabled = std::move(closing); }

private:
    bool takesInput() const;
    void place(ControlWidget& widget);
    // The client area below the menu bar, at the display's scale.
    void sizeClientArea();
    void showVisibility();
    void showMenuEnabled();
    ControlWidget* controlOf(HWND control) const;
    // Mouse input on the window's client area (`control` null) or on a button.
    bool mouseEvent(HWND control, const GdkEvent& event);

    static gboolean keyPressed(GtkWidget*, GdkEventKey* event, gpointer self);
    static gboolean mouseOnWindow(GtkWidget*, GdkEvent* event, gpointer self);
    static gboolean mouseOnButton(GtkWidget* button, GdkEvent* event, gpointer self);
    static gboolean drawn(GtkWidget*, cairo_t*, gpointer self);
    static gboolean focusIn(GtkWidget*, GdkEventFocus*, gpointer self);
    static gboolean closeBoxPressed(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean stateChanged(GtkWidget*, GdkEventWindowState* event, gpointer self);

    const HWND handleOfWindow;
    KeyTransitions& keyTransitions;
    const DisplayScale& scale;
    GtkWidget* window;
    GtkWidget* layout;  // the menu bar above the client area
    GtkWidget* client;  // where the controls are placed
    DWORD style = 0;
    int clientWidth = 0;  // in program units, the menu bar's part included
    int clientHeight = 0;
    std::unique_ptr<MenuBar> menuBar;
    std::map<HWND, std::unique_ptr<ControlWidget>> controls;
    HWND mouseCapture = nullptr;  // the button or window that a held left button went down on
    bool minimizedHere = false;
    bool iconified = false;
    std::function<void()> closeWhileDisabled;
    std::function<void()> iconifiedChanged;
};

}  // namespace posix
