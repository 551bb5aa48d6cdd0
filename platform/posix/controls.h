// The window procedures of the built-in control classes.
#pragma once

#include "internal.h"

#include "desktop.h"

namespace posix {

LRESULT CALLBACK buttonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK staticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace posix
