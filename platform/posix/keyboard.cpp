// GetAsyncKeyState, answered by the display at the moment of the call.
#include "display.h"

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    return posix::display().isKeyDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0;
}
