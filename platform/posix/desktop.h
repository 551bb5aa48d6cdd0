// What user32 keeps for the one process: its window classes, its windows,
// the thread's message queue and the keyboard focus.
#pragma once

#include "internal.h"

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "key_messages.h"
#include "win32_subset.h"

namespace posix {

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC procedure = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    bool builtIn = false;
};

struct WindowRecord {
    HWND handle = nullptr;
    std::string className;
    WNDPROC procedure = nullptr;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
    int id = 0;  // a child's control id
    HMENU menu = nullptr;
    HANDLE image = nullptr;  // a Static picture's bitmap
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    bool enabled = true;
    bool minimized = false;
    bool pressed = false;  // a Button between mouse down and up
    bool destroying = false;
    std::vector<HWND> children;

    bool isTopLevel() const { return parent == nullptr; }
    bool isVisible() const { return (style & WS_VISIBLE) != 0; }
};

// The classes every process has: "Button" and "Static".
std::vector<WindowClass> builtInClasses();

struct QueuedMessage {
    MSG message;
    bool input;  // made by the keyboard or mouse, not by PostMessageA
};

struct Desktop {
    std::vector<WindowClass> classes = builtInClasses();
    std::map<HWND, WindowRecord> windows;
    std::vector<HWND> topLevelOrder;  // front first
    std::deque<QueuedMessage> posted;
    bool quitPending = false;
    int quitCode = 0;
    HWND focus = nullptr;
    KeyTransitions sentKeys;  // held down by SendInput
    std::set<int> pressedSinceQuery;  // keys gone down since GetAsyncKeyState last asked for them
    std::string failNextCreationOf;  // a test's request that the next window of this class fails
    std::uintptr_t nextHandle = 0x10000;
    DWORD lastCommonDialogError = 0;
};

// The process's one desktop; a test driver starts each test with a new one.
Desktop& desktop();
void resetDesktop();

// Window class names compare as Windows compares them, ignoring case.
bool equalIgnoringCase(const std::string& a, const std::string& b);

WindowRecord* findWindow(HWND window);
WindowClass* findClass(const std::string& name);
HWND activeWindow();
// Where keyboard messages go: the window with the keyboard focus, or else the active window.
HWND keyboardTarget();
HWND topLevelOf(HWND window);

enum class Taken { message, quit, nothing };
// Takes the next posted message, or else the pending quit request, without waiting.
Taken pollMessage(MSG& message);
// Takes the next message, waiting on the display while there is none.
// Returns false for the quit request.
bool takeMessage(MSG& message);

}  // namespace posix
