// A top-level window of the subset as a GTK window.
#include "gtk/top_level_window.h"

#include <algorithm>

#include "gtk/frame_metrics.h"
#include "gtk/input_messages.h"
#include "gtk/pictures.h"
#include "user_input.h"

namespace posix {

namespace {

// The class icon and small icon as the images a window manager chooses from.
void giveIcons(GtkWindow* window, const NewWindow& created, double factor) {
    GList* images = nullptr;
    for (const Icon* icon : {created.icon, created.smallIcon})
        if (icon)
            for (const Picture& picture : icon->images) images = g_list_append(images, pixbufOf(picture, factor));
    gtk_window_set_icon_list(window, images);
    g_list_free_full(images, g_object_unref);
}

template <typename Handler>
void on(GtkWidget* widget, const char* signal, Handler handler, void* self) {
    g_signal_connect(widget, signal, G_CALLBACK(handler), self);
}

}  // namespace

TopLevelWindow::TopLevelWindow(HWND window, const NewWindow& created, KeyTransitions& keyTransitions,
                               const DisplayScale& scale)
    : handleOfWindow(window), keyTransitions(keyTransitions), scale(scale),
      window(gtk_window_new(GTK_WINDOW_TOPLEVEL)), layout(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)),
      client(gtk_fixed_new()) {
    gtk_style_context_add_class(gtk_widget_get_style_context(this->window), "pipalo");
    gtk_window_set_title(gtkWindow(), created.text.c_str());
    // A window without a sizing border keeps its size, and so has no maximise box.
    gtk_window_set_resizable(gtkWindow(), (created.style & WS_THICKFRAME) != 0);
    gtk_box_pack_end(GTK_BOX(layout), client, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(this->window), layout);
    gtk_widget_show(client);
    gtk_widget_show(layout);
    giveIcons(gtkWindow(), created, scale.factor);
    gtk_widget_add_events(this->window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                            GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
    on(this->window, "key-press-event", keyPressed, this);
    on(this->window, "key-release-event", keyPressed, this);
    on(this->window, "button-press-event", mouseOnWindow, this);
    on(this->window, "button-release-event", mouseOnWindow, this);
    on(this->window, "motion-notify-event", mouseOnWindow, this);
    on(this->window, "draw", drawn, this);
    on(this->window, "focus-in-event", focusIn, this);
    on(this->window, "delete-event", closeBoxPressed, this);
    on(this->window, "window-state-event", stateChanged, this);
    showMenu(created.menu);
    moveTo(created.x, created.y, created.width, created.height);
    showStyle(created.style);
}

TopLevelWindow::~TopLevelWindow() {
    controls.clear();
    menuBar.reset();
    gtk_widget_destroy(window);
}

void TopLevelWindow::moveTo(int x, int y, int width, int height) {
    const ClientArea area = clientAreaOf(width, height);
    clientWidth = area.width;
    clientHeight = area.height;
    gtk_window_move(gtkWindow(), scale.toGtk(x), scale.toGtk(y));
    sizeClientArea();
}

void TopLevelWindow::sizeClientArea() {
    const int belowMenu = std::max(0, clientHeight - (menuBar ? menuBarHeight : 0));
    gtk_widget_set_size_request(client, scale.toGtk(clientWidth), scale.toGtk(belowMenu));
    // Down to what the client area asks, when it asks less than before.
    gtk_window_resize(gtkWindow(), 1, 1);
}

void TopLevelWindow::showStyle(DWORD newStyle) {
    style = newStyle;
    showVisibility();
    showMenuEnabled();
}

void TopLevelWindow::showMenuEnabled() {
    // Greyed out while a modal box or dialog holds the window, as its menu then does nothing.
    if (menuBar) gtk_widget_set_sensitive(menuBar->widget(), takesInput());
}

void TopLevelWindow::showMenu(const Menu* menu) {
    if (menuBar && menuBar->source() == menu) return;
    menuBar.reset();
    if (menu) {
        menuBar = std::make_unique<MenuBar>(handleOfWindow, *menu);
        gtk_widget_set_size_request(menuBar->widget(), -1, scale.toGtk(menuBarHeight));
        gtk_box_pack_start(GTK_BOX(layout), menuBar->widget(), FALSE, FALSE, 0);
        showMenuEnabled();
    }
    // The client area starts below the menu bar.
    sizeClientArea();
}

void TopLevelWindow::showVisibility() {
    if (!(style & WS_VISIBLE)) {
        gtk_widget_hide(window);
        minimizedHere = false;
        return;
    }
    if (isMinimized()) {
        if (!minimizedHere) gtk_window_iconify(gtkWindow());
        minimizedHere = true;
        gtk_widget_show(window);
        return;
    }
    if (minimizedHere) gtk_window_deiconify(gtkWindow());
    minimizedHere = false;
    gtk_widget_show(window);
}

void TopLevelWindow::raise() {
    if (!shown() || gtk_window_is_active(gtkWindow())) return;
    gtk_window_present(gtkWindow());
}

void TopLevelWindow::place(ControlWidget& control) {
    GtkWidget* widget = control.widget();
    const int x = scale.toGtk(control.clientX());
    const int y = scale.toGtk(control.clientY());
    if (gtk_widget_get_parent(widget))
        gtk_fixed_move(GTK_FIXED(client), widget, x, y);
    else
        gtk_fixed_put(GTK_FIXED(client), widget, x, y);
    gtk_widget_set_size_request(widget, scale.toGtk(control.width()), scale.toGtk(control.height()));
}

ControlWidget* TopLevelWindow::controlOf(HWND control) const {
    auto found = controls.find(control);
    return found == controls.end() ? nullptr : found->second.get();
}

void TopLevelWindow::addControl(HWND control, const NewWindow& created) {
    std::unique_ptr<ControlWidget> widget = makeControlWidget(control, created);
    if (!widget) return;
    place(*widget);
    if (widget->takesMouse()) {
        g_object_set_data(G_OBJECT(widget->widget()), "pipalo-control", control);
        for (const char* signal : {"button-press-event", "button-release-event", "motion-notify-event"})
            on(widget->widget(), signal, mouseOnButton, this);
    }
    controls[control] = std::move(widget);
}

void TopLevelWindow::showControlStyle(HWND control, DWORD newStyle) {
    ControlWidget* widget = controlOf(control);
    if (!widget) return;
    if (widget->canShow(newStyle)) {
        widget->showStyle(newStyle);
        return;
    }
    const NewWindow remade = widget->remade(newStyle);
    removeControl(control);
    addControl(control, remade);
}

void TopLevelWindow::moveControl(HWND control, int x, int y, int width, int height) {
    ControlWidget* widget = controlOf(control);
    if (!widget) return;
    widget->moveTo(x, y, width, height);
    place(*widget);
}

void TopLevelWindow::showControlBitmap(HWND control, const Picture* bitmap) {
    if (auto* picture = dynamic_cast<StaticControl*>(controlOf(control))) picture->showBitmap(bitmap, scale);
}

void TopLevelWindow::removeControl(HWND control) {
    if (mouseCapture == control) mouseCapture = nullptr;
    controls.erase(control);
}

void TopLevelWindow::showFocus(HWND focus) {
    if (ControlWidget* widget = controlOf(focus))
        gtk_widget_grab_focus(widget->widget());
    else
        gtk_window_set_focus(gtkWindow(), nullptr);
}

bool TopLevelWindow::takesInput() const { return !(style & WS_DISABLED); }

gboolean TopLevelWindow::keyPressed(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* shown = static_cast<TopLevelWindow*>(self);
    if (!shown->takesInput()) return TRUE;
    postKeyEvent(shown->handleOfWindow, shown->keyTransitions, *event);
    // Alt with a menu's letter opens it; every other key is the program's alone.
    if (event->type == GDK_KEY_PRESS && (event->state & GDK_MOD1_MASK) && shown->menuBar)
        gtk_window_mnemonic_activate(shown->gtkWindow(), gdk_keyval_to_lower(event->keyval), GDK_MOD1_MASK);
    return TRUE;
}

bool TopLevelWindow::mouseEvent(HWND control, const GdkEvent& event) {
    if (!takesInput()) return true;
    const HWND target = control ? control : handleOfWindow;
    double x = 0;
    double y = 0;
    gdk_event_get_coords(&event, &x, &y);
    if (!control) {
        int clientX = 0;
        int clientY = 0;
        gtk_widget_translate_coordinates(window, client, static_cast<int>(x), static_cast<int>(y), &clientX,
                                         &clientY);
        x = clientX;
        y = clientY;
    }
    const int unitsX = scale.toUnits(x);
    const int unitsY = scale.toUnits(y);
    switch (event.type) {
    case GDK_BUTTON_PRESS:
        if (event.button.button != GDK_BUTTON_PRIMARY || mouseCapture) return true;
        // A held button keeps the mouse's messages, as Windows' capture does; GDK's grab sends them here.
        mouseCapture = target;
        postMouseMessage(target, WM_LBUTTONDOWN, unitsX, unitsY, event.button.state | GDK_BUTTON1_MASK);
        return false;
    case GDK_BUTTON_RELEASE:
        if (event.button.button != GDK_BUTTON_PRIMARY || !mouseCapture) return true;
        postMouseMessage(mouseCapture, WM_LBUTTONUP, unitsX, unitsY, event.button.state & ~GDK_BUTTON1_MASK);
        mouseCapture = nullptr;
        return false;
    case GDK_MOTION_NOTIFY:
        // Over the menu bar the mouse is outside the client area.
        if (control || unitsY >= 0 || mouseCapture)
            postMouseMessage(target, WM_MOUSEMOVE, unitsX, unitsY, event.motion.state);
        return false;
    default:
        return true;
    }
}

gboolean TopLevelWindow::mouseOnWindow(GtkWidget*, GdkEvent* event, gpointer self) {
    return static_cast<TopLevelWindow*>(self)->mouseEvent(nullptr, *event);
}

gboolean TopLevelWindow::mouseOnButton(GtkWidget* button, GdkEvent* event, gpointer self) {
    return static_cast<TopLevelWindow*>(self)->mouseEvent(
        static_cast<HWND>(g_object_get_data(G_OBJECT(button), "pipalo-control")), *event);
}

gboolean TopLevelWindow::drawn(GtkWidget*, cairo_t*, gpointer self) {
    // Each drawing of the window is a WM_PAINT for it.
    PostMessageA(static_cast<TopLevelWindow*>(self)->handleOfWindow, WM_PAINT, 0, 0);
    return FALSE;
}

gboolean TopLevelWindow::focusIn(GtkWidget*, GdkEventFocus*, gpointer self) {
    auto* shown = static_cast<TopLevelWindow*>(self);
    // The window the user brings forward becomes the active window, as a click does on Windows.
    if (shown->takesInput()) activateByUser(shown->handleOfWindow);
    return FALSE;
}

gboolean TopLevelWindow::closeBoxPressed(GtkWidget*, GdkEvent*, gpointer self) {
    auto* shown = static_cast<TopLevelWindow*>(self);
    // A window disabled by its modal box ignores its close box, as on Windows, but for a
    // chooser of another process that it waits on.
    if (shown->takesInput())
        PostMessageA(shown->handleOfWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    else if (shown->closeWhileDisabled)
        shown->closeWhileDisabled();
    return TRUE;
}

gboolean TopLevelWindow::stateChanged(GtkWidget*, GdkEventWindowState* event, gpointer self) {
    auto* shown = static_cast<TopLevelWindow*>(self);
    if (!(event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) return FALSE;
    // GDK takes the state from what the window manager reports (WM_STATE, _NET_WM_STATE_HIDDEN).
    const bool iconified = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    shown->iconified = iconified;
    if (shown->iconifiedChanged) shown->iconifiedChanged();
    if (!(shown->style & WS_VISIBLE)) return FALSE;
    // The window manager minimised or restored the window: Windows tells the window so.
    if (iconified && !shown->isMinimized())
        PostMessageA(shown->handleOfWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!iconified && shown->isMinimized()) PostMessageA(shown->handleOfWindow, WM_SYSCOMMAND, SC_RESTORE, 0);
    return FALSE;
}

}  // namespace posix
