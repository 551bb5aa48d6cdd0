// Window: its class, its top-level window, the registry of live windows and the message loop.
#include <algorithm>
#include <cstring>

#include "window.h"

std::vector<Window*> windowRegistry;
Window* currentWindow = nullptr;

namespace {

constexpr DWORD defaultStyle = 0x10CE0000;  // visible, caption, system menu, sizing border, minimise box
const char* const defaultTitle = "Please use setTitle(char*) to set window title";

// Copies at most 63 characters, so a longer text is cut rather than overrun.
void copyName(char (&target)[64], const char* text) {
    std::strncpy(target, text ? text : "", sizeof target - 1);
    target[sizeof target - 1] = '\0';
}

HICON loadClassIcon(HINSTANCE instance, WORD iconId) {
    return iconId != 0 ? LoadIconA(instance, MAKEINTRESOURCEA(iconId))
                       : LoadIconA(nullptr, IDI_APPLICATION);
}

}  // namespace

Window::Window(HINSTANCE instance, WORD iconId, WORD smallIconId, const char* className)
    : handle(nullptr), windowClass(), currentMessage(), instance(instance), className(),
      title(), destroyed(false), keepingOpen(false) {
    InitCommonControls();
    CoInitialize(nullptr);

    copyName(this->className, className);
    copyName(title, defaultTitle);

    slotCapacity = 32;
    keyCapacity = 32;
    messageCapacity = 5;
    menuHeight = 0;
    commandIds.assign(slotCapacity, 0);
    commandCallbacks.assign(slotCapacity, nullptr);
    buttonHandles.assign(slotCapacity, nullptr);
    keyCallbacks.assign(keyCapacity, nullptr);
    messageIds.assign(messageCapacity, 0);
    messageCallbacks.assign(messageCapacity, nullptr);
    slotCount = 0;
    labelCount = 0;
    messageHandlerCount = 0;
    statusLineCount = 0;

    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = loadClassIcon(instance, iconId);
    windowClass.hIconSm = loadClassIcon(instance, smallIconId);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = this->className;

    height = 100;
    width = 500;

    if (RegisterClassExA(&windowClass) == 0)
        throw const_cast<char*>("We kunnen de windowclasse niet registreren.");
    windowRegistry.push_back(this);
}

Window::~Window() { destroy(); }

void Window::setTitle(const char* text) { copyName(title, text); }

void Window::setSize(int width, int height) {
    this->width = width;
    this->height = height;
}

HWND Window::create(DWORD styleMask) {
    handle = CreateWindowExA(0, className, title, styleMask ^ defaultStyle, CW_USEDEFAULT,
                             CW_USEDEFAULT, width, height, nullptr, nullptr, instance, nullptr);
    return handle;
}

int Window::create(const char* title, int width, int height, DWORD styleMask) {
    setTitle(title);
    setSize(width, height);
    create(styleMask);
    return 0;
}

void Window::addKeyHandler(int virtualKey, Callback callback) {
    if (static_cast<std::int32_t>(keyCodes.size()) >= keyCapacity) return;
    keyCallbacks[keyCodes.size()] = callback;
    keyCodes.push_back(virtualKey);
}

int Window::run() {
    for (;;) {
        if (GetMessageA(&currentMessage, nullptr, 0, 0) == 0)
            return static_cast<int>(currentMessage.wParam);
        if (!IsDialogMessageA(handle, &currentMessage)) {
            TranslateMessage(&currentMessage);
            DispatchMessageA(&currentMessage);
        }
        // A key callback may register more keys, so the size is read at every step.
        for (std::size_t i = 0; i < keyCodes.size(); ++i)
            if (isKeyDown(keyCodes[i])) keyCallbacks[i](this);
        // A window its close handler kept open keeps the loop running too.
        if (currentMessage.message == WM_CLOSE && !IsWindow(currentMessage.hwnd)) return 0;
    }
}

void Window::destroy() {
    // Once ended, the class name may belong to another live Window: a second call does nothing.
    if (destroyed) return;
    destroyed = true;
    // A window outliving its object would reach a dead Window through the registry.
    if (handle && IsWindow(handle)) DestroyWindow(handle);
    const auto entry = std::find(windowRegistry.begin(), windowRegistry.end(), this);
    if (entry != windowRegistry.end()) windowRegistry.erase(entry);
    if (currentWindow == this) currentWindow = nullptr;
    UnregisterClassA(className, instance);
    keyCodes.clear();
    keyCodes.shrink_to_fit();
    labels.clear();
    labels.shrink_to_fit();
    labelCount = 0;
    statusLines.clear();
    statusLines.shrink_to_fit();
    statusLineCount = 0;
}

HWND Window::getHandle() const { return handle; }

HINSTANCE Window::getInstance() const { return instance; }

bool Window::isKeyDown(int virtualKey) const { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }
