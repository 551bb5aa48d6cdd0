// The process's one desktop and the lookups of its classes and windows.
#include "desktop.h"

#include <algorithm>
#include <cctype>

namespace posix {

Desktop& desktop() {
    static Desktop theDesktop;
    return theDesktop;
}

void resetDesktop() { desktop() = Desktop{}; }

WindowRecord* findWindow(HWND window) {
    auto found = desktop().windows.find(window);
    return found == desktop().windows.end() ? nullptr : &found->second;
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

WindowClass* findClass(const std::string& name) {
    auto& classes = desktop().classes;
    auto found = std::find_if(classes.begin(), classes.end(),
                              [&](const WindowClass& c) { return equalIgnoringCase(c.name, name); });
    return found == classes.end() ? nullptr : &*found;
}

HWND activeWindow() {
    for (HWND window : desktop().topLevelOrder) {
        const WindowRecord* record = findWindow(window);
        if (record && record->isVisible() && record->enabled) return window;
    }
    return nullptr;
}

HWND keyboardTarget() { return findWindow(desktop().focus) ? desktop().focus : activeWindow(); }

HWND topLevelOf(HWND window) {
    const WindowRecord* record = findWindow(window);
    while (record && record->parent) record = findWindow(record->parent);
    return record ? record->handle : nullptr;
}

}  // namespace posix
