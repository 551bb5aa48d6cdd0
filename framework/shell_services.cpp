// Window's shell services: the menu, minimising, quitting and the two file dialogs.
#include <cstring>

#include "window.h"

namespace {
constexpr DWORD alwaysAskedFlags = OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT;
constexpr DWORD saveDialogPathSize = 1024;
constexpr DWORD openDialogPathSize = 512;
constexpr DWORD fileTitleSize = 1024;
}  // namespace

int Window::setMenu(WORD menuId) {
    SetMenu(handle, LoadMenuA(instance, MAKEINTRESOURCEA(menuId)));
    menuHeight = 20;
    return 0;
}

BOOL Window::minimize() { return ShowWindow(handle, SW_SHOWMINIMIZED); }

void Window::quit() { PostQuitMessage(0); }

void Window::keepOpen() { keepingOpen = true; }

std::string Window::showFileDialog(bool save, const std::string& title, const char* filter,
                                   const std::string& initialDir, DWORD flags, DWORD pathSize) {
    std::vector<char> path(pathSize, '\0');
    std::vector<char> fileTitle(fileTitleSize, '\0');
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = handle;
    dialog.hInstance = instance;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = pathSize;
    dialog.lpstrFileTitle = fileTitle.data();
    dialog.nMaxFileTitle = fileTitleSize;
    dialog.lpstrInitialDir = initialDir.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = flags | alwaysAskedFlags;
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    return chosen ? std::string(path.data(), strnlen(path.data(), pathSize)) : std::string();
}

std::string Window::showSaveDialog(const std::string& title, const char* filter,
                                   const std::string& initialDir, DWORD flags) {
    return showFileDialog(true, title, filter, initialDir, flags, saveDialogPathSize);
}

std::string Window::showOpenDialog(const std::string& title, const char* filter,
                                   const std::string& initialDir, DWORD flags) {
    return showFileDialog(false, title, filter, initialDir, flags, openDialogPathSize);
}
