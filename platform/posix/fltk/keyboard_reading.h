// The physical state of the keys, read from the X server once per message.
#pragma once

#include "internal.h"

#include <array>

namespace posix {

// The keyboard as the X server last told it: one request (XQueryKeymap) answers
// every question about the physical state of the keys until the reading is dropped.
class KeyboardReading {
public:
    // Whether the key is down; the first question after drop() reads the keyboard.
    bool isDown(int virtualKey);
    void drop() { fresh = false; }

private:
    std::array<char, 32> keys{};  // one bit per X keycode
    bool fresh = false;
};

}  // namespace posix
