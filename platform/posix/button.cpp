#include "controls.h"

namespace posix {

namespace {
void click(HWND button) {
    const WindowRecord* record = findWindow(button);
    SendMessageA(record->parent, WM_COMMAND, MAKEWPARAM(record->id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}
}  // namespace

LRESULT CALLBACK buttonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = findWindow(window);
    switch (message) {
    case WM_LBUTTONDOWN:
        SetFocus(window);
        record->pressed = true;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) record->pressed = true;
        return 0;
    case WM_LBUTTONUP:
    case WM_KEYUP:
        if (record->pressed && (message == WM_LBUTTONUP || wParam == VK_SPACE)) {
            record->pressed = false;
            click(window);
        }
        return 0;
    case BM_CLICK:
        click(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace posix
