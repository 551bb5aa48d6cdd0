// GetAsyncKeyState, answered by the display at the moment of the call; its low bit
// from the key messages taken from the queue.
#include "desktop.h"
#include "display.h"

// The high bit: down now. The low bit: pressed since the last call, as far as the key
// messages taken from the queue tell.
SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    const bool pressed = posix::desktop().pressedSinceQuery.erase(virtualKey) > 0;
    return static_cast<SHORT>((posix::display().isKeyDown(virtualKey) ? 0x8000 : 0) | (pressed ? 1 : 0));
}
