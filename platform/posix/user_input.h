// What a display calls for the user's input: messages posted as Windows posts
// them for the keyboard, the mouse and the menu, and a window the user brings forward.
#pragma once

#include "internal.h"

#include "win32_subset.h"

namespace posix {

// Posts a message of the keyboard or mouse, as the display does for the user's input.
void postInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a key typed in a top-level window: to its control with the keyboard focus, or else to the window.
void postKeyboardMessage(HWND topLevel, UINT message, WPARAM wParam, LPARAM lParam);
// The user chose a command of the window's menu: WM_COMMAND, unless the window is disabled.
void chooseMenuItem(HWND window, UINT commandId);
// The user brought the window forward: it becomes the active window, as a click makes it on
// Windows, unless it is already.
void activateByUser(HWND window);

}  // namespace posix
