// Keyboard state and keyboard input: the display's keys, answered at the moment of the
// call, and those that SendInput holds; the low bit from the key messages taken from
// the queue.
#include "desktop.h"
#include "user_input.h"
#include "display.h"
#include "key_messages.h"

using namespace posix;

// The high bit: down now. The low bit: pressed since the last call, as far as the key
// messages taken from the queue tell.
SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    const bool down = display().isKeyDown(virtualKey) || desktop().sentKeys.isDown(virtualKey);
    const bool pressed = desktop().pressedSinceQuery.erase(virtualKey) > 0;
    return static_cast<SHORT>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

// Differs from Windows: keyboard input only; the Alt and Ctrl that make a system key
// are those SendInput holds, not those the user holds.
UINT WINAPI SendInput(UINT count, INPUT* inputs, int size) {
    if (size != static_cast<int>(sizeof(INPUT))) return 0;
    for (UINT index = 0; index < count; ++index) {
        if (inputs[index].type != INPUT_KEYBOARD) return index;
        const KEYBDINPUT& key = inputs[index].ki;
        KeyTransitions& sent = desktop().sentKeys;
        const KeyMessage message = (key.dwFlags & KEYEVENTF_KEYUP) ? sent.keyUp(key.wVk) : sent.keyDown(key.wVk);
        if (const HWND target = keyboardTarget())
            postInputMessage(target, message.message, message.virtualKey, message.flags);
    }
    return count;
}
