// The connection to the X server that FLTK draws through.
#pragma once

#include "internal.h"

#include <string>

namespace posix {

// Opens the display named by DISPLAY for FLTK; false, with the reason, when there is none.
bool connectToXServer(std::string& failure);

// How many requests the program has sent to the X server so far; benchmarks count them.
unsigned long requestsSentToXServer();

}  // namespace posix
