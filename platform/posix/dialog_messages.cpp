// IsDialogMessageA: Tab, Space and Enter with their dialog meaning.
#include <algorithm>

#include "controls.h"
#include "desktop.h"

using namespace posix;

namespace {

// The next (or previous) control of the window that takes part in Tab's round.
HWND nextTabStop(HWND dialog, bool backwards) {
    std::vector<HWND> stops;
    for (HWND child : findWindow(dialog)->children) {
        const WindowRecord* record = findWindow(child);
        if ((record->style & WS_TABSTOP) && record->isVisible() && record->enabled)
            stops.push_back(child);
    }
    if (stops.empty()) return nullptr;
    auto current = std::find(stops.begin(), stops.end(), desktop().focus);
    if (current == stops.end()) return backwards ? stops.back() : stops.front();
    const std::size_t index = static_cast<std::size_t>(current - stops.begin());
    const std::size_t count = stops.size();
    return stops[(index + (backwards ? count - 1 : 1)) % count];
}

// Enter presses the push button that has the focus, else it means OK.
// Differs from Windows: there a button given the focus by a click or SetFocus, rather than by
// Tab, does not become the default, and Enter still means OK.
void pressDefault(HWND dialog) {
    const HWND focus = desktop().focus;
    const WindowRecord* focused = findWindow(focus);
    if (focused && focused->parent == dialog && focused->procedure == buttonProcedure)
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(focused->id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    else
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG message) {
    if (!message || !findWindow(dialog) || topLevelOf(message->hwnd) != dialog) return FALSE;
    if (message->message == WM_KEYDOWN) {
        switch (message->wParam) {
        case VK_TAB:
            if (HWND next = nextTabStop(dialog, GetAsyncKeyState(VK_SHIFT) & 0x8000)) SetFocus(next);
            return TRUE;
        case VK_RETURN:
            pressDefault(dialog);
            return TRUE;
        case VK_ESCAPE:
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return TRUE;
        }
    }
    // Space reaches the focused button, which clicks itself.
    DispatchMessageA(message);
    return TRUE;
}
