// The letter a label's '&' marks as its mnemonic, as menus, buttons and boxes read it.
#pragma once

#include "internal.h"

#include <string>

namespace posix {

// The letter after a label's '&' ("&&" is a plain '&'), in lower case; 0 when it has none.
int mnemonicOf(const std::string& windowsLabel);

}  // namespace posix
