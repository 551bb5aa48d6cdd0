// GDK's input events as posted messages.
#include "gtk/input_messages.h"

#include "gtk/key_codes.h"
#include "user_input.h"

namespace posix {

namespace {

// The key-state flags of a mouse message's wParam.
constexpr WPARAM leftButtonDown = 0x0001;  // MK_LBUTTON
constexpr WPARAM shiftDown = 0x0004;       // MK_SHIFT
constexpr WPARAM controlDown = 0x0008;     // MK_CONTROL

// The virtual key of a key event, whatever Shift made of it.
int virtualKeyOfEvent(const GdkEventKey& event) {
    // The key as it is without Shift: Windows names the key, not the character.
    guint keyval = event.keyval;
    gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(gdk_window_get_display(event.window)),
                                        event.hardware_keycode,
                                        static_cast<GdkModifierType>(event.state & GDK_MOD2_MASK), event.group,
                                        &keyval, nullptr, nullptr, nullptr);
    return virtualKeyOf(static_cast<int>(keyval));
}

}  // namespace

void postKeyEvent(HWND topLevel, KeyTransitions& transitions, const GdkEventKey& event) {
    const int virtualKey = virtualKeyOfEvent(event);
    // The state of the modifiers before this event.
    const bool alt = (event.state & GDK_MOD1_MASK) != 0;
    const bool ctrl = (event.state & GDK_CONTROL_MASK) != 0;
    const KeyMessage message = event.type == GDK_KEY_PRESS ? transitions.keyDown(virtualKey, alt, ctrl)
                                                           : transitions.keyUp(virtualKey, alt, ctrl);
    postKeyboardMessage(topLevel, message.message, message.virtualKey, message.flags);
}

void postMouseMessage(HWND target, UINT message, int x, int y, guint state) {
    WPARAM keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= leftButtonDown;
    if (state & GDK_SHIFT_MASK) keys |= shiftDown;
    if (state & GDK_CONTROL_MASK) keys |= controlDown;
    postInputMessage(target, message, keys, MAKELPARAM(x, y));
}

}  // namespace posix
