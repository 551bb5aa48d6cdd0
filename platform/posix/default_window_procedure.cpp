// DefWindowProcA: what Windows does with a message that a window procedure leaves to it.
#include "desktop.h"

using namespace posix;

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageA(window, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes the top-level window through its system command.
        if (wParam == VK_F4 && (lParam & (1 << 29)))
            PostMessageA(topLevelOf(window), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    default:
        return 0;
    }
}
