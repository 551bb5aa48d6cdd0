// The thread's message queue: posting, sending, getting and dispatching messages.
#include <chrono>

#include "desktop.h"
#include "user_input.h"
#include "display.h"

namespace posix {

namespace {

BOOL post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool input) {
    if (window && !findWindow(window)) return FALSE;
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    desktop().posted.push_back({posted, input});
    return TRUE;
}

// Windows keeps posted messages and input apart: every posted message comes first, then the
// quit request, and input only after both.
std::deque<QueuedMessage>::iterator nextPosted(std::deque<QueuedMessage>& queue) {
    for (auto entry = queue.begin(); entry != queue.end(); ++entry)
        if (!entry->input) return entry;
    return queue.end();
}

}  // namespace

void postInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    post(window, message, wParam, lParam, true);
}

void postKeyboardMessage(HWND topLevel, UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND focus = desktop().focus;
    postInputMessage(topLevelOf(focus) == topLevel ? focus : topLevel, message, wParam, lParam);
}

Taken pollMessage(MSG& message) {
    Desktop& state = desktop();
    auto next = nextPosted(state.posted);
    if (next == state.posted.end() && state.quitPending) {
        state.quitPending = false;
        message = MSG{};
        message.message = WM_QUIT;
        message.wParam = static_cast<WPARAM>(state.quitCode);
        return Taken::quit;
    }
    if (next == state.posted.end()) next = state.posted.begin();
    if (next != state.posted.end()) {
        const QueuedMessage taken = *next;
        state.posted.erase(next);
        message = taken.message;
        const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
        if (taken.input && keyDown && !(message.lParam & (1 << 30)))
            state.pressedSinceQuery.insert(static_cast<int>(message.wParam));
        display().keysMayHaveChanged();
        // Taking F1 from the keyboard asks the window for help, as Windows does: the
        // key-down is followed by a posted WM_KEYF1, whatever the window makes of it.
        if (taken.input && message.message == WM_KEYDOWN && message.wParam == VK_F1)
            PostMessageA(message.hwnd, WM_KEYF1, 0, 0);
        return Taken::message;
    }
    return Taken::nothing;
}

bool takeMessage(MSG& message) {
    for (;;) {
        switch (pollMessage(message)) {
        case Taken::message:
            return true;
        case Taken::quit:
            return false;
        case Taken::nothing:
            display().waitForInput();
        }
    }
}

}  // namespace posix

using namespace posix;

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return post(window, message, wParam, lParam, false);
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowRecord* record = findWindow(window);
    if (!record) return 0;
    const WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
}

BOOL WINAPI GetMessageA(LPMSG message, HWND, UINT, UINT) {
    // Differs from Windows: the window and range filters are ignored. Pipalo always
    // passes null, 0, 0, asking for every message of the thread.
    return takeMessage(*message) ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) {
    // Differs from Windows: no WM_CHAR is made, since nothing here reads character
    // messages. F1's WM_KEYF1 is posted when its key-down is taken (pollMessage).
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message) {
    if (!message || !message->hwnd) return 0;
    return SendMessageA(message->hwnd, message->message, message->wParam, message->lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    desktop().quitPending = true;
    desktop().quitCode = exitCode;
}
