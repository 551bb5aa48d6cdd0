// DefWindowProcA: what Windows does with a message that a window procedure leaves to it.
#include "desktop.h"
#include "menus.h"
#include "user_input.h"

using namespace posix;

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        // A disabled window carries out no system command: not its close box, not its menu.
        if (const WindowRecord* record = findWindow(window); !record || !record->enabled) return 0;
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
        case SC_KEYMENU:
            // Differs from Windows: no menu loop runs; a command's letter chooses it at once, and
            // a pop-up's opens nothing here (the display opens menus from the keyboard itself).
            if (const Menu* menu = menuFromHandle(GetMenu(window)))
                if (const UINT command = commandOfLetter(*menu, static_cast<int>(lParam & 0xFF)))
                    chooseMenuItem(window, command);
            break;
        }
        return 0;
    case WM_KEYF1: {
        HELPINFO help{};
        help.cbSize = sizeof help;
        help.iContextType = HELPINFO_WINDOW;
        help.iCtrlId = findWindow(window) ? findWindow(window)->id : 0;
        help.hItemHandle = window;
        SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        return 0;
    }
    case WM_HELP:
        // A control's request for help goes up to its parent. Top-level windows have
        // no owner here, so theirs ends with them.
        if (const WindowRecord* record = findWindow(window); record && record->parent)
            SendMessageA(record->parent, WM_HELP, wParam, lParam);
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
