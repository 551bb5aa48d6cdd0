// The display's own dealings with the X server.
#include "gtk/x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/extensions/XI2.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <xcb/xproto.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gtk/key_codes.h"

namespace posix {

namespace {

::Display* xDisplay() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

::Window rootWindow() { return DefaultRootWindow(xDisplay()); }

// Modifiers that do not change which key it is: Caps Lock and Num Lock (Mod2 on every usual map).
constexpr unsigned lockCombinations[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

bool isModifier(int virtualKey) {
    return virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU;
}

bool isTypingKey(int virtualKey) {
    return (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9') ||
           virtualKey == VK_SPACE;
}

::Window activeWindowOf(::Window root) {
    const Atom property = XInternAtom(xDisplay(), "_NET_ACTIVE_WINDOW", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    ::Window active = None;
    if (XGetWindowProperty(xDisplay(), root, property, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &remaining, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1) active = *reinterpret_cast<::Window*>(data);
        XFree(data);
    }
    return active;
}

GdkFilterReturn readAheadFilter(GdkXEvent* event, GdkEvent*, gpointer reading) {
    static_cast<KeyboardReading*>(reading)->readAheadOf(event);
    return GDK_FILTER_CONTINUE;
}

GdkFilterReturn minimizedKeysFilter(GdkXEvent* event, GdkEvent*, gpointer keys) {
    return static_cast<MinimizedKeys*>(keys)->handle(event) ? GDK_FILTER_REMOVE : GDK_FILTER_CONTINUE;
}

}  // namespace

void allowOnlyX11() { gdk_set_allowed_backends("x11"); }

bool settingsManagerRuns() {
    const std::string selection = "_XSETTINGS_S" + std::to_string(DefaultScreen(xDisplay()));
    return XGetSelectionOwner(xDisplay(), XInternAtom(xDisplay(), selection.c_str(), False)) != None;
}

double resourceDpi() {
    const char* resources = XResourceManagerString(xDisplay());
    if (!resources) return 0;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources);
    char* type = nullptr;
    XrmValue value{};
    double dpi = 0;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
        dpi = std::atof(value.addr);
    XrmDestroyDatabase(database);
    return dpi;
}

unsigned long xWindowOf(GtkWidget* widget) {
    GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
    return window ? GDK_WINDOW_XID(window) : 0;
}

unsigned long requestsSentToXServer() { return XNextRequest(xDisplay()) - 1; }

KeyboardReading::KeyboardReading() {
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(xDisplay(), "XInputExtension", &inputExtension, &firstEvent, &firstError))
        inputExtension = 0;
    gdk_window_add_filter(nullptr, readAheadFilter, this);
}

KeyboardReading::~KeyboardReading() {
    gdk_window_remove_filter(nullptr, readAheadFilter, this);
    discardReadAhead();
}

void KeyboardReading::readAheadOf(const void* event) {
    const XEvent& xevent = *static_cast<const XEvent*>(event);
    const bool keyEvent =
        xevent.type == KeyPress || xevent.type == KeyRelease ||
        (xevent.type == GenericEvent && inputExtension != 0 && xevent.xcookie.extension == inputExtension &&
         (xevent.xcookie.evtype == XI_KeyPress || xevent.xcookie.evtype == XI_KeyRelease));
    if (!keyEvent) return;
    // A reading asked at an earlier key is stale now: keys typed where no message is posted
    // (a file dialog's name) must not reach the next message's pass.
    discardReadAhead();
    xcb_connection_t* connection = XGetXCBConnection(xDisplay());
    readAhead = xcb_query_keymap(connection).sequence;
    readAheadOutlivedDrop = false;
    xcb_flush(connection);
}

void KeyboardReading::drop() {
    fresh = false;
    if (!readAhead) return;
    if (!readAheadOutlivedDrop)
        readAheadOutlivedDrop = true;
    else
        discardReadAhead();  // the message it was for went by without a question
}

void KeyboardReading::discardReadAhead() {
    if (readAhead) xcb_discard_reply(XGetXCBConnection(xDisplay()), readAhead);
    readAhead = 0;
}

void KeyboardReading::read() {
    fresh = true;
    if (!readAhead) {
        XQueryKeymap(xDisplay(), keys.data());
        return;
    }
    xcb_query_keymap_reply_t* reply =
        xcb_query_keymap_reply(XGetXCBConnection(xDisplay()), xcb_query_keymap_cookie_t{readAhead}, nullptr);
    readAhead = 0;
    if (!reply) {
        XQueryKeymap(xDisplay(), keys.data());
        return;
    }
    std::copy(std::begin(reply->keys), std::end(reply->keys), reinterpret_cast<std::uint8_t*>(keys.data()));
    std::free(reply);
}

bool KeyboardReading::isDown(int virtualKey) {
    if (!fresh) read();
    for (int key : gdkKeysOf(virtualKey)) {
        const unsigned keycode = XKeysymToKeycode(xDisplay(), static_cast<KeySym>(key));
        if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8)))) return true;
    }
    return false;
}

MinimizedKeys::MinimizedKeys(KeyTransitions& keyTransitions) : keyTransitions(keyTransitions) {
    gdk_window_add_filter(nullptr, minimizedKeysFilter, this);
}

MinimizedKeys::~MinimizedKeys() {
    release();
    gdk_window_remove_filter(nullptr, minimizedKeysFilter, this);
}

void MinimizedKeys::asked(int virtualKey) {
    if (isModifier(virtualKey) || !askedKeys.insert(virtualKey).second) return;
    if (minimized) grab(virtualKey);
}

void MinimizedKeys::follow(HWND window, unsigned long xWindow, bool isMinimized, const Menu* menu) {
    if (!isMinimized) {
        forget(window);
        return;
    }
    if (minimized == window) return;
    release();
    minimized = window;
    minimizedXWindow = xWindow;
    // Told of every change of the active window from now on.
    XWindowAttributes attributes;
    XGetWindowAttributes(xDisplay(), rootWindow(), &attributes);
    rootEventMask = attributes.your_event_mask;
    XSelectInput(xDisplay(), rootWindow(), rootEventMask | PropertyChangeMask);
    std::set<int> keys = askedKeys;
    if (menu) {
        const std::vector<int> shortcuts = ctrlShortcutKeys(*menu);
        keys.insert(shortcuts.begin(), shortcuts.end());
    }
    for (int virtualKey : keys) grab(virtualKey);
}

void MinimizedKeys::forget(HWND window) {
    if (minimized == window) release();
}

void MinimizedKeys::grab(int virtualKey) {
    const unsigned modifiers[] = {0, ShiftMask, ControlMask, ShiftMask | ControlMask};
    // A grab that another program holds already is not ours to take; X says so with BadAccess.
    GdkDisplay* display = gdk_display_get_default();
    gdk_x11_display_error_trap_push(display);
    for (int key : gdkKeysOf(virtualKey)) {
        const unsigned keycode = XKeysymToKeycode(xDisplay(), static_cast<KeySym>(key));
        if (keycode == 0) continue;
        grabbedKeycodes[keycode] = virtualKey;
        for (unsigned modifier : modifiers) {
            if (isTypingKey(virtualKey) && !(modifier & ControlMask)) continue;
            for (unsigned locks : lockCombinations)
                XGrabKey(xDisplay(), static_cast<int>(keycode), modifier | locks, rootWindow(), False,
                         GrabModeAsync, GrabModeAsync);
        }
    }
    gdk_x11_display_error_trap_pop_ignored(display);
}

void MinimizedKeys::release() {
    if (!minimized) return;
    for (const auto& [keycode, virtualKey] : grabbedKeycodes)
        XUngrabKey(xDisplay(), static_cast<int>(keycode), AnyModifier, rootWindow());
    grabbedKeycodes.clear();
    XSelectInput(xDisplay(), rootWindow(), rootEventMask);
    XFlush(xDisplay());
    minimized = nullptr;
    minimizedXWindow = 0;
}

bool MinimizedKeys::anotherWindowActive() const {
    const ::Window active = activeWindowOf(rootWindow());
    return active != None && active != minimizedXWindow;
}

bool MinimizedKeys::handle(const void* event) {
    if (!minimized) return false;
    const XEvent& xevent = *static_cast<const XEvent*>(event);
    if (xevent.type == PropertyNotify && xevent.xproperty.window == rootWindow() &&
        xevent.xproperty.atom == XInternAtom(xDisplay(), "_NET_ACTIVE_WINDOW", False)) {
        if (anotherWindowActive()) release();
        return false;
    }
    if ((xevent.type != KeyPress && xevent.type != KeyRelease) || xevent.xkey.window != rootWindow())
        return false;
    auto found = grabbedKeycodes.find(xevent.xkey.keycode);
    if (found == grabbedKeycodes.end()) return true;  // a modifier let go while a grabbed key is held
    const bool alt = (xevent.xkey.state & Mod1Mask) != 0;
    const bool ctrl = (xevent.xkey.state & ControlMask) != 0;
    const KeyMessage message = xevent.type == KeyPress ? keyTransitions.keyDown(found->second, alt, ctrl)
                                                       : keyTransitions.keyUp(found->second, alt, ctrl);
    PostMessageA(minimized, message.message, message.virtualKey, message.flags);
    return true;
}

}  // namespace posix
