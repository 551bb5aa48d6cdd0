// A window class whose procedure writes down every message it gets.
#pragma once

#include <string>
#include <vector>

#include "win32.h"

struct ReceivedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<ReceivedMessage> received;

inline LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

inline void registerRecordingClass(const char* name) {
    received.clear();
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = recordingProcedure;
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);
}

inline HWND createRecordingWindow(const char* className, const char* title) {
    return CreateWindowExA(0, className, title, WS_VISIBLE | WS_CAPTION, CW_USEDEFAULT,
                           CW_USEDEFAULT, 200, 100, nullptr, nullptr, nullptr, nullptr);
}

inline std::vector<UINT> messagesOf(HWND window) {
    std::vector<UINT> messages;
    for (const ReceivedMessage& message : received)
        if (message.window == window) messages.push_back(message.message);
    return messages;
}
