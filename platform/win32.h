// The one header through which Pipalo reaches the platform: the real system
// headers on Windows, our own Win32 subset elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#else
#include "posix/win32_subset.h"
#endif
