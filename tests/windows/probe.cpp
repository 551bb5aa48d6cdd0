// Reports a top-level window of another process as the Wine run sees it, one
// fact a line, fields separated by tabs: its frame and client area on the
// screen, the centre of its close box, whether it has a menu bar, and its
// child controls.
// Usage: probe.exe "window title"
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The text with its line ends and tabs written as \n, \r and \t, so that it stays on its line.
std::string textOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    std::string escaped;
    for (const char* c = text; *c; ++c) {
        switch (*c) {
        case '\n': escaped += "\\n"; break;
        case '\r': escaped += "\\r"; break;
        case '\t': escaped += "\\t"; break;
        default: escaped += *c;
        }
    }
    return escaped;
}

BOOL CALLBACK printControl(HWND control, LPARAM parent) {
    char className[64] = {};
    GetClassNameA(control, className, sizeof className);
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(HWND_DESKTOP, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&box), 2);
    std::printf("control\t%s\t%s\t%ld\t%ld\t%ld\t%ld\n", className, textOf(control).c_str(), box.left,
                box.top, box.right - box.left, box.bottom - box.top);
    return TRUE;
}

// Another process's menu cannot be read under Wine, only whether there is one.
void printMenuBar(HWND window) { std::printf("menubar\t%s\n", GetMenu(window) ? "yes" : "no"); }

}  // namespace

int main(int argc, char** argv) {
    const HWND window = argc == 2 ? FindWindowA(nullptr, argv[1]) : nullptr;
    if (!window) {
        std::fprintf(stderr, "probe: no window titled \"%s\"\n", argc == 2 ? argv[1] : "");
        return 1;
    }
    RECT frame;
    GetWindowRect(window, &frame);
    std::printf("frame\t%ld\t%ld\t%ld\t%ld\n", frame.left, frame.top, frame.right - frame.left,
                frame.bottom - frame.top);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    std::printf("client\t%ld\t%ld\t%ld\t%ld\n", origin.x, origin.y, client.right, client.bottom);
    // The close box is the last caption button, inside the sizing border.
    std::printf("closebox\t%ld\t%d\n",
                frame.right - GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXSIZE) / 2,
                static_cast<int>(frame.top + GetSystemMetrics(SM_CYFRAME) +
                                 GetSystemMetrics(SM_CYSIZE) / 2));
    printMenuBar(window);
    EnumChildWindows(window, printControl, reinterpret_cast<LPARAM>(window));
    return 0;
}
