// FLTK's input events as posted messages.
#include "fltk/input_messages.h"

#include <FL/Fl.H>

#include "fltk/key_codes.h"
#include "user_input.h"

namespace posix {

namespace {

// The key-state flags of a mouse message's wParam.
constexpr WPARAM leftButtonDown = 0x0001;  // MK_LBUTTON
constexpr WPARAM shiftDown = 0x0004;       // MK_SHIFT
constexpr WPARAM controlDown = 0x0008;     // MK_CONTROL

}  // namespace

void postKeyEvent(HWND topLevel, KeyTransitions& transitions, bool down) {
    const int key = Fl::event_key();
    const int virtualKey = virtualKeyOf(key);
    // The state of the modifiers before this event.
    const bool alt = Fl::event_state(FL_ALT) != 0;
    const bool ctrl = Fl::event_state(FL_CTRL) != 0;
    const KeyMessage message = down ? transitions.keyDown(virtualKey, alt, ctrl)
                                    : transitions.keyUp(virtualKey, alt, ctrl);
    postKeyboardMessage(topLevel, message.message, message.virtualKey, message.flags);
}

void postMouseMessage(HWND target, UINT message, int x, int y) {
    WPARAM keys = 0;
    const int state = Fl::event_state();
    if (state & FL_BUTTON1) keys |= leftButtonDown;
    if (state & FL_SHIFT) keys |= shiftDown;
    if (state & FL_CTRL) keys |= controlDown;
    postInputMessage(target, message, keys, MAKELPARAM(x, y));
}

}  // namespace posix
