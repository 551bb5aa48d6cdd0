// The one window procedure of every Window: finds its Window and dispatches by the tables.
#include "window.h"

namespace {

// Makes currentWindow the Window of this handle. A window not yet known (one
// that CreateWindowExA is still creating) falls to the first registered Window.
// The result is the position found, or -1.
int resolveWindow(HWND windowHandle) {
    if (windowRegistry.empty()) return -1;
    currentWindow = windowRegistry.front();
    for (std::size_t position = 0; position < windowRegistry.size(); ++position)
        if (windowRegistry[position]->getHandle() == windowHandle) {
            currentWindow = windowRegistry[position];
            return static_cast<int>(position);
        }
    return -1;
}

LRESULT onDestroy(int position) {
    // Only the end of the last window ends the program.
    if (windowRegistry.size() == 1) PostQuitMessage(0);
    if (position >= 0) windowRegistry.erase(windowRegistry.begin() + position);
    return 0;
}

}  // namespace

void Window::dispatchCommand(WPARAM wParam) {
    const WORD id = LOWORD(wParam);
    for (std::int32_t slot = 0; slot < slotCount; ++slot)
        if (commandIds[slot] == id && commandCallbacks[slot]) {
            commandCallbacks[slot](this);
            return;
        }
}

// A handler may run a nested loop that resolves other windows, so currentWindow
// is read again after each one.
void Window::runMessageHandlers(UINT message) {
    for (std::int32_t index = 0; currentWindow && index < currentWindow->messageHandlerCount;
         ++index)
        if (currentWindow->messageIds[index] == message)
            currentWindow->messageCallbacks[index](currentWindow);
}

LRESULT CALLBACK Window::windowProcedure(HWND windowHandle, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
    const int position = resolveWindow(windowHandle);
    if (!currentWindow) return DefWindowProcA(windowHandle, message, wParam, lParam);
    switch (message) {
    case WM_DESTROY:
        return onDestroy(position);
    case WM_NOTIFY:
        return 0;
    case WM_COMMAND:
        // Menu commands and button clicks only: accelerators and other notifications are dropped.
        if (HIWORD(wParam) == 0) currentWindow->dispatchCommand(wParam);
        return 0;
    case WM_CLOSE:
        currentWindow->keepingOpen = false;
        runMessageHandlers(message);
        // The handlers may have run loops meanwhile: the Window is looked up again.
        for (Window* window : windowRegistry)
            if (window->handle == windowHandle && window->keepingOpen) return 0;
        return DefWindowProcA(windowHandle, message, wParam, lParam);
    default:
        runMessageHandlers(message);
        return DefWindowProcA(windowHandle, message, wParam, lParam);
    }
}
