// Windows' labels in GTK's terms: Windows marks a mnemonic with '&' ("&&" is a plain '&'),
// GTK with '_'.
#pragma once

#include "internal.h"

#include <string>

#include "mnemonics.h"

namespace posix {

// The label as GTK reads it with its underline on: "&Yes" as "_Yes", "a_b" as "a__b".
std::string gtkMnemonicLabel(const std::string& windowsLabel);

}  // namespace posix
