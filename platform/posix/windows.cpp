// Windows: creating, destroying, showing, enabling, focusing and finding them.
#include <algorithm>

#include "desktop.h"
#include "user_input.h"
#include "display.h"
#include "images.h"
#include "menus.h"

using namespace posix;

namespace {

// Differs from Windows: windows opened at the default place are cascaded in eight
// fixed steps; Windows chooses the default place itself.
void placeByDefault(WindowRecord& record) {
    const int step = static_cast<int>(desktop().topLevelOrder.size() % 8) * 26;
    record.x = 24 + step;
    record.y = 24 + step;
}

NewWindow newWindowOf(const WindowRecord& record) {
    return {.parent = record.parent,
            .className = record.className,
            .text = record.text,
            .x = record.x,
            .y = record.y,
            .width = record.width,
            .height = record.height,
            .style = record.style,
            .menu = menuFromHandle(record.menu),
            .icon = iconFromHandle(record.icon),
            .smallIcon = iconFromHandle(record.smallIcon)};
}

void activate(HWND window) {
    auto& order = desktop().topLevelOrder;
    order.erase(std::remove(order.begin(), order.end(), window), order.end());
    order.insert(order.begin(), window);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    // Differs from Windows: the window itself takes the focus when it is activated,
    // where Windows leaves that to DefWindowProcA's handling of WM_ACTIVATE.
    SetFocus(window);
}

}  // namespace

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID) {
    if (!className) return nullptr;
    const WindowClass* windowClass = findClass(className);
    const bool child = (style & WS_CHILD) != 0;
    if (!windowClass || (child && !findWindow(parent))) return nullptr;
    if (!desktop().failNextCreationOf.empty() &&
        equalIgnoringCase(desktop().failNextCreationOf, className)) {
        desktop().failNextCreationOf.clear();
        return nullptr;
    }

    WindowRecord record;
    record.handle = reinterpret_cast<HWND>(desktop().nextHandle);
    desktop().nextHandle += 4;
    record.className = windowClass->name;
    record.procedure = windowClass->procedure;
    record.text = windowName ? windowName : "";
    record.exStyle = exStyle;
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.enabled = (style & WS_DISABLED) == 0;
    (void)instance;
    if (child) {
        record.style = style;
        record.parent = parent;
        record.id = static_cast<int>(reinterpret_cast<std::intptr_t>(menu));
        findWindow(parent)->children.push_back(record.handle);
    } else {
        // A top-level window is shown only once it exists, as Windows does.
        record.style = style & ~static_cast<DWORD>(WS_VISIBLE);
        record.menu = menu;
        record.icon = windowClass->icon;
        record.smallIcon = windowClass->smallIcon;
        if (x == CW_USEDEFAULT) placeByDefault(record);
        desktop().topLevelOrder.push_back(record.handle);
    }
    const HWND handle = record.handle;
    display().windowCreated(handle, newWindowOf(record));
    desktop().windows.emplace(handle, std::move(record));

    // Differs from Windows: WM_NCCREATE and WM_CREATE carry no creation record.
    if (!SendMessageA(handle, WM_NCCREATE, 0, 0) || SendMessageA(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!findWindow(handle)) return nullptr;
    SendMessageA(handle, WM_SIZE, 0, MAKELPARAM(width, height));
    SendMessageA(handle, WM_MOVE, 0, MAKELPARAM(x, y));
    if (!child && (style & WS_VISIBLE) && findWindow(handle)) ShowWindow(handle, SW_SHOW);
    return findWindow(handle) ? handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
    WindowRecord* record = findWindow(window);
    if (!record || record->destroying) return FALSE;
    record->destroying = true;
    SendMessageA(window, WM_DESTROY, 0, 0);
    // Children hear of their end after their parent, as on Windows.
    const std::vector<HWND> children = findWindow(window)->children;
    for (HWND child : children) DestroyWindow(child);
    SendMessageA(window, WM_NCDESTROY, 0, 0);

    record = findWindow(window);
    if (WindowRecord* parent = findWindow(record->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    auto& order = desktop().topLevelOrder;
    order.erase(std::remove(order.begin(), order.end(), window), order.end());
    const bool hadFocus = topLevelOf(desktop().focus) == window || desktop().focus == window;
    display().windowDestroyed(window);
    desktop().windows.erase(window);
    if (hadFocus) {
        desktop().focus = nullptr;
        if (HWND next = activeWindow()) activate(next);
    }
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window) { return findWindow(window) != nullptr; }

BOOL WINAPI UpdateWindow(HWND window) {
    // Differs from Windows: no WM_PAINT is sent. The display draws a window on its own and
    // posts WM_PAINT after the drawing, so a window that has had one has nothing left to draw.
    return IsWindow(window);
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    WindowRecord* record = findWindow(window);
    if (!record) return FALSE;
    const BOOL wasVisible = record->isVisible();
    const bool show = command != SW_HIDE;
    if (show)
        record->style |= WS_VISIBLE;
    else
        record->style &= ~static_cast<DWORD>(WS_VISIBLE);
    record->minimized = command == SW_SHOWMINIMIZED || command == SW_MINIMIZE;
    if (record->minimized)
        record->style |= WS_MINIMIZE;
    else
        record->style &= ~static_cast<DWORD>(WS_MINIMIZE);
    display().windowStyleChanged(window, record->style);
    // The message may end the window: what comes after it is decided first.
    const bool activates = show && record->isTopLevel() && !record->minimized;
    if (show != static_cast<bool>(wasVisible)) SendMessageA(window, WM_SHOWWINDOW, show, 0);
    if (activates && findWindow(window)) activate(window);
    return wasVisible;
}

LONG WINAPI SetWindowLongA(HWND window, int index, LONG value) {
    WindowRecord* record = findWindow(window);
    if (!record) return 0;
    LONG previous = 0;
    switch (index) {
    case GWL_STYLE:
        previous = static_cast<LONG>(record->style);
        record->style = static_cast<DWORD>(value);
        display().windowStyleChanged(window, record->style);
        break;
    case GWL_EXSTYLE:
        previous = static_cast<LONG>(record->exStyle);
        record->exStyle = static_cast<DWORD>(value);
        break;
    case GWL_ID:
        previous = record->id;
        record->id = value;
        break;
    default:
        return 0;
    }
    return previous;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    WindowRecord* record = findWindow(window);
    if (!record) return FALSE;
    const BOOL wasDisabled = !record->enabled;
    record->enabled = enable != FALSE;
    if (record->enabled)
        record->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
        record->style |= WS_DISABLED;
    if (static_cast<bool>(wasDisabled) == record->enabled) {
        display().windowStyleChanged(window, record->style);
        SendMessageA(window, WM_ENABLE, enable, 0);
    }
    return wasDisabled;
}

HWND WINAPI SetFocus(HWND window) {
    const HWND previous = desktop().focus;
    if (window && !findWindow(window)) return nullptr;
    if (previous == window) return previous;
    desktop().focus = window;
    display().windowFocused(window);
    if (findWindow(previous))
        SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window) SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

void posix::activateByUser(HWND window) {
    if (topLevelOf(desktop().focus) != window) SetForegroundWindow(window);
}

BOOL WINAPI SetForegroundWindow(HWND window) {
    const WindowRecord* record = findWindow(window);
    if (!record || !record->isTopLevel()) return FALSE;
    activate(window);
    display().raiseWindow(window);
    return TRUE;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    for (HWND window : desktop().topLevelOrder) {
        const WindowRecord* record = findWindow(window);
        if (className && !equalIgnoringCase(record->className, className)) continue;
        if (windowName && record->text != windowName) continue;
        return window;
    }
    return nullptr;
}
