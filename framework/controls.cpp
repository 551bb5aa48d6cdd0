// Window's controls and its tables of buttons, message handlers and menu commands.
#include "window.h"

namespace {

constexpr DWORD buttonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD labelStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD pictureStyle = WS_CHILD | WS_VISIBLE | SS_BITMAP;
constexpr DWORD statusLineStyle = WS_CHILD | WS_VISIBLE | SS_SUNKEN;
constexpr int firstButtonId = 1000;

HWND createControl(const char* className, const std::string& text, DWORD style, int x, int y,
                   int width, int height, HWND parent, int id) {
    return CreateWindowExA(0, className, text.c_str(), style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr,
                           nullptr);
}

// Appends a created control to its list; the result is its number, or -1 when it failed.
int appendControl(HWND control, std::vector<HWND>& controls, std::int32_t& count) {
    if (!control) return -1;
    controls.push_back(control);
    return count++;
}

}  // namespace

int Window::addButton(const std::string& text, int x, int y, int width, int height,
                      Callback callback) {
    if (slotCount >= slotCapacity) return -1;
    const int id = firstButtonId + slotCount;
    commandIds[slotCount] = id;
    buttonHandles[slotCount] =
        createControl("Button", text, buttonStyle, x, y, width, height, handle, id);
    if (!buttonHandles[slotCount]) return -1;
    commandCallbacks[slotCount] = callback;
    return slotCount++;
}

int Window::addLabel(const std::string& text, int x, int y, int width, int height) {
    return appendControl(createControl("Static", text, labelStyle, x, y, width, height, handle, 0),
                         labels, labelCount);
}

HANDLE Window::setLabelBitmap(int labelIndex, WORD bitmapId) {
    // A number addLabel never gave names no label: there is nothing to change.
    if (labelIndex < 0 || labelIndex >= labelCount) return nullptr;
    const HWND label = labels[labelIndex];
    SetWindowLongA(label, GWL_STYLE, static_cast<LONG>(pictureStyle));
    const HANDLE bitmap =
        LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    return reinterpret_cast<HANDLE>(
        SendMessageA(label, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

int Window::addStatusLine(const std::string& text) {
    return appendControl(createControl("Static", text, statusLineStyle, 0, height - menuHeight - 51,
                                       width, 20, handle, 0),
                         statusLines, statusLineCount);
}

void Window::addMessageHandler(UINT messageId, Callback callback) {
    if (messageHandlerCount >= messageCapacity) return;
    messageCallbacks[messageHandlerCount] = callback;
    messageIds[messageHandlerCount] = messageId;
    ++messageHandlerCount;
}

void Window::addCommand(int commandId, Callback callback) {
    if (slotCount >= slotCapacity) return;
    commandIds[slotCount] = commandId;
    buttonHandles[slotCount] = nullptr;
    commandCallbacks[slotCount] = callback;
    ++slotCount;
}
