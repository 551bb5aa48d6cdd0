// Window classes: the built-in ones, RegisterClassExA and UnregisterClassA.
#include <algorithm>

#include "controls.h"

namespace posix {

std::vector<WindowClass> builtInClasses() {
    WindowClass button;
    button.name = "Button";
    button.procedure = buttonProcedure;
    button.builtIn = true;
    WindowClass label = button;
    label.name = "Static";
    label.procedure = staticProcedure;
    return {button, label};
}

}  // namespace posix

using namespace posix;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
        !windowClass->lpszClassName || !windowClass->lpfnWndProc ||
        findClass(windowClass->lpszClassName))
        return 0;
    WindowClass added;
    added.name = windowClass->lpszClassName;
    added.style = windowClass->style;
    added.procedure = windowClass->lpfnWndProc;
    added.instance = windowClass->hInstance;
    added.icon = windowClass->hIcon;
    added.smallIcon = windowClass->hIconSm;
    added.cursor = windowClass->hCursor;
    added.background = windowClass->hbrBackground;
    desktop().classes.push_back(added);
    return static_cast<ATOM>(0xC000 + desktop().classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    if (!className) return FALSE;
    const WindowClass* found = findClass(className);
    if (!found || found->builtIn || found->instance != instance) return FALSE;
    const bool inUse = std::any_of(desktop().windows.begin(), desktop().windows.end(),
                                   [&](const auto& entry) { return findClass(entry.second.className) == found; });
    if (inUse) return FALSE;
    auto& classes = desktop().classes;
    classes.erase(classes.begin() + (found - classes.data()));
    return TRUE;
}
