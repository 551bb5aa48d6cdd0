// The polled keys grabbed on the root window while a window is minimised.
#include "fltk/minimized_keys.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include "fltk/key_codes.h"

namespace posix {

namespace {

::Window rootWindow() { return RootWindow(fl_display, fl_screen); }

// Modifiers that do not change which key it is: Caps Lock and Num Lock (Mod2 on every usual map).
constexpr unsigned lockCombinations[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

bool isModifier(int virtualKey) {
    return virtualKey == VK_SHIFT || virtualKey == VK_CONTROL || virtualKey == VK_MENU;
}

bool isTypingKey(int virtualKey) {
    return (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9') ||
           virtualKey == VK_SPACE;
}

// A grab that another program holds already is not ours to take; X says so with BadAccess.
int ignoreError(::Display*, XErrorEvent*) { return 0; }

::Window activeWindowOf(::Window root) {
    const Atom property = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    ::Window active = None;
    if (XGetWindowProperty(fl_display, root, property, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &remaining, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1) active = *reinterpret_cast<::Window*>(data);
        XFree(data);
    }
    return active;
}

}  // namespace

MinimizedKeys::MinimizedKeys(KeyTransitions& keyTransitions) : keyTransitions(keyTransitions) {
    Fl::add_system_handler(handleEvent, this);
}

MinimizedKeys::~MinimizedKeys() {
    release();
    Fl::remove_system_handler(handleEvent);
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
    XGetWindowAttributes(fl_display, rootWindow(), &attributes);
    rootEventMask = attributes.your_event_mask;
    XSelectInput(fl_display, rootWindow(), rootEventMask | PropertyChangeMask);
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
    XErrorHandler previous = XSetErrorHandler(ignoreError);
    for (int key : fltkKeysOf(virtualKey)) {
        const unsigned keycode = XKeysymToKeycode(fl_display, static_cast<KeySym>(key));
        if (keycode == 0) continue;
        grabbedKeycodes[keycode] = virtualKey;
        for (unsigned modifier : modifiers) {
            if (isTypingKey(virtualKey) && !(modifier & ControlMask)) continue;
            for (unsigned locks : lockCombinations)
                XGrabKey(fl_display, static_cast<int>(keycode), modifier | locks, rootWindow(), False,
                         GrabModeAsync, GrabModeAsync);
        }
    }
    XSync(fl_display, False);
    XSetErrorHandler(previous);
}

void MinimizedKeys::release() {
    if (!minimized) return;
    for (const auto& [keycode, virtualKey] : grabbedKeycodes)
        XUngrabKey(fl_display, static_cast<int>(keycode), AnyModifier, rootWindow());
    grabbedKeycodes.clear();
    XSelectInput(fl_display, rootWindow(), rootEventMask);
    XFlush(fl_display);
    minimized = nullptr;
    minimizedXWindow = 0;
}

bool MinimizedKeys::anotherWindowActive() const {
    const ::Window active = activeWindowOf(rootWindow());
    return active != None && active != minimizedXWindow;
}

int MinimizedKeys::handleEvent(void* event, void* self) {
    return static_cast<MinimizedKeys*>(self)->handle(event) ? 1 : 0;
}

bool MinimizedKeys::handle(const void* event) {
    if (!minimized) return false;
    const XEvent& xevent = *static_cast<const XEvent*>(event);
    if (xevent.type == PropertyNotify && xevent.xproperty.window == rootWindow() &&
        xevent.xproperty.atom == XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False)) {
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
