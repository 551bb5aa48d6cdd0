// Windows' virtual-key codes for GDK's keys (X keysyms).
#pragma once

#include "internal.h"

#include <vector>

#include "win32_subset.h"

namespace posix {

// Windows' code for a key that has no virtual-key code of its own.
constexpr int unmappedVirtualKey = 0xFF;

// The virtual-key code of a GDK key (a keyval, unshifted); unmappedVirtualKey for others.
int virtualKeyOf(int gdkKey);

// The GDK keys that a virtual-key code stands for: VK_SHIFT is either Shift key.
std::vector<int> gdkKeysOf(int virtualKey);

}  // namespace posix
