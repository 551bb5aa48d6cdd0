// The physical state of the keys, read from the X server once per message.
#include "fltk/keyboard_reading.h"

#include <FL/x.H>

#include "fltk/key_codes.h"

namespace posix {

bool KeyboardReading::isDown(int virtualKey) {
    if (!fresh) {
        XQueryKeymap(fl_display, keys.data());
        fresh = true;
    }
    // FLTK's key numbers are X keysyms, as Fl::event_key takes them.
    for (int key : fltkKeysOf(virtualKey)) {
        const unsigned keycode = XKeysymToKeycode(fl_display, static_cast<KeySym>(key));
        if (keycode != 0 && (keys[keycode / 8] & (1 << (keycode % 8)))) return true;
    }
    return false;
}

}  // namespace posix
