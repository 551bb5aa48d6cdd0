// Everything the display asks of X11 itself, beside GTK: the display runs on X11 (XWayland
// on Wayland desktops) because GetAsyncKeyState reads the physical keyboard and Hide
// Interface grabs keys while the window is minimised, which only X11 lets a program do.
//
// The keys that still reach a minimised window: on Windows a window minimised by the
// program stays the active window and keeps the keyboard until the user activates
// another one; an iconified X window holds no input focus. So while the window manager
// has a window iconified (not merely asked to: a tiling one may not do it), the keys the
// program polls are grabbed on the root window, and only those:
// function and keypad keys with any of Shift and Ctrl, typing keys only with Ctrl (a
// shortcut). The grabs go when the window is restored or destroyed, or when the window
// manager names another active window (_NET_ACTIVE_WINDOW). The Ctrl shortcuts that the
// window's menu shows are grabbed too: a program polls their letters only while Ctrl is
// down, so one minimised from its menu may not have asked about them yet. Each grabbed
// press or release is posted to the window as its keyboard message, so the program's key
// pass follows it.
//
// Differs from Windows: there every key reaches the minimised active window, as
// WM_SYSKEYDOWN and WM_SYSKEYUP; here only the keys the program has polled do, as the
// messages of a focused window.
#pragma once

#include "internal.h"

#include <array>
#include <map>
#include <set>

#include "key_messages.h"
#include "menus.h"

typedef struct _GtkWidget GtkWidget;

namespace posix {

// Before GTK starts: only its X11 backend will do.
void allowOnlyX11();

// Whether an XSETTINGS manager serves the screen: without one GTK's settings are its defaults.
bool settingsManagerRuns();

// Xft.dpi of the X server's resources; 0 when it names none.
double resourceDpi();

// The X window of a realised widget's window; 0 when it has none.
unsigned long xWindowOf(GtkWidget* widget);

// How many requests the program has sent to the X server so far; benchmarks count them.
unsigned long requestsSentToXServer();

// The keyboard as the X server last told it: one request (XQueryKeymap) answers every
// question about the physical state of the keys until the reading is dropped.
class KeyboardReading {
public:
    KeyboardReading();
    ~KeyboardReading();
    KeyboardReading(const KeyboardReading&) = delete;
    KeyboardReading& operator=(const KeyboardReading&) = delete;

    // Whether the key is down; the first question after drop() reads the keyboard.
    bool isDown(int virtualKey);
    void drop();
    // An X event before GDK sees it. A key event's message is the next one taken: its
    // reading is asked now, so that the answer comes back with the round trips GDK makes
    // for the event (a window manager check, without one) instead of after them.
    // Differs from Windows: the keys a key message's pass reads are those of the moment its
    // event arrived, a fraction of a millisecond before the question.
    void readAheadOf(const void* event);

private:
    void read();
    void discardReadAhead();

    std::array<char, 32> keys{};  // one bit per X keycode
    bool fresh = false;
    int inputExtension = 0;          // XInput 2's major opcode, which GDK takes keys by
    unsigned readAhead = 0;          // the request's sequence number; 0 when none is out
    bool readAheadOutlivedDrop = false;
};

class MinimizedKeys {
public:
    explicit MinimizedKeys(KeyTransitions& keyTransitions);
    ~MinimizedKeys();
    MinimizedKeys(const MinimizedKeys&) = delete;
    MinimizedKeys& operator=(const MinimizedKeys&) = delete;

    // The program asked about this key: it is one to grab.
    void asked(int virtualKey);
    // `xWindow` is the window's X window and `menu` its menu, if any; the grabs follow
    // its iconified state.
    void follow(HWND window, unsigned long xWindow, bool iconified, const Menu* menu);
    void forget(HWND window);
    // An X event before GDK sees it; true when it was a grabbed key's, which GDK is not to see.
    bool handle(const void* event);

private:
    void grab(int virtualKey);
    void release();
    bool anotherWindowActive() const;

    KeyTransitions& keyTransitions;
    std::set<int> askedKeys;  // the program polled them
    HWND minimized = nullptr;  // the window whose keys are grabbed
    unsigned long minimizedXWindow = 0;
    std::map<unsigned, int> grabbedKeycodes;  // X keycode to virtual key
    long rootEventMask = 0;                   // before ours was added
};

}  // namespace posix
