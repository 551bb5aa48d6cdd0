// Keyboard state and keyboard input: the display's keys, answered at the moment of the
// call, and those that SendInput holds; the low bit from the key messages taken from
// the queue.
#include "desktop.h"
#include "display.h"

using namespace posix;

// The high bit: down now. The low bit: pressed since the last call, as far as the key
// messages taken from the queue tell.
SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    const bool down = display().isKeyDown(virtualKey) || desktop().sentKeys.count(virtualKey) > 0;
    const bool pressed = desktop().pressedSinceQuery.erase(virtualKey) > 0;
    return static_cast<SHORT>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

// Differs from Windows: keyboard input only, and no WM_SYSKEYDOWN for keys sent with Alt.
UINT WINAPI SendInput(UINT count, INPUT* inputs, int size) {
    if (size != static_cast<int>(sizeof(INPUT))) return 0;
    for (UINT index = 0; index < count; ++index) {
        if (inputs[index].type != INPUT_KEYBOARD) return index;
        const KEYBDINPUT& key = inputs[index].ki;
        const bool up = (key.dwFlags & KEYEVENTF_KEYUP) != 0;
        const bool wasDown = desktop().sentKeys.count(key.wVk) > 0;
        if (up)
            desktop().sentKeys.erase(key.wVk);
        else
            desktop().sentKeys.insert(key.wVk);
        // The repeat count, the previous state and the transition, as Windows sets them.
        LPARAM flags = 1;
        if (wasDown) flags |= 1 << 30;
        if (up) flags |= static_cast<LPARAM>(1u << 31);
        const HWND target = findWindow(desktop().focus) ? desktop().focus : activeWindow();
        if (target) postInputMessage(target, up ? WM_KEYUP : WM_KEYDOWN, key.wVk, flags);
    }
    return count;
}
