// The built-in "Button" class: a push button that sends BN_CLICKED to its parent.
#include "controls.h"

namespace posix {

namespace {

// Releasing the mouse away from the button takes the click back, as on Windows.
bool releasedOver(const WindowRecord& button, LPARAM point) {
    const int x = static_cast<short>(LOWORD(point));
    const int y = static_cast<short>(HIWORD(point));
    return x >= 0 && y >= 0 && x < button.width && y < button.height;
}

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
        // The focus messages may end the button's window.
        SetFocus(window);
        if (WindowRecord* stillThere = findWindow(window)) stillThere->pressed = true;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) record->pressed = true;
        return 0;
    case WM_LBUTTONUP:
    case WM_KEYUP: {
        const bool mouse = message == WM_LBUTTONUP;
        if (!mouse && wParam != VK_SPACE) return 0;
        const bool clicked = record->pressed && (!mouse || releasedOver(*record, lParam));
        // The click may end the button's window, so the record is done with first.
        record->pressed = false;
        if (clicked) click(window);
        return 0;
    }
    case BM_CLICK:
        click(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace posix
