// Windows' virtual-key codes for FLTK's keys.
#pragma once

#include "internal.h"

#include <vector>

#include "win32_subset.h"

namespace posix {

// Windows' code for a key that has no virtual-key code of its own.
constexpr int unmappedVirtualKey = 0xFF;

// The virtual-key code of an FLTK key (Fl::event_key()); unmappedVirtualKey for others.
int virtualKeyOf(int fltkKey);

// The FLTK keys that a virtual-key code stands for: VK_SHIFT is either Shift key.
std::vector<int> fltkKeysOf(int virtualKey);

}  // namespace posix
