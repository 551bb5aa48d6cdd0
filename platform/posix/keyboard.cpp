#include "display.h"

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
    return posix::display().isKeyDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0;
}
