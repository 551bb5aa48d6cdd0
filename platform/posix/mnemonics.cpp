// Mnemonics of Windows' labels.
#include "mnemonics.h"

#include <cctype>

namespace posix {

int mnemonicOf(const std::string& windowsLabel) {
    for (std::size_t at = 0; at + 1 < windowsLabel.size(); ++at) {
        if (windowsLabel[at] != '&') continue;
        if (windowsLabel[at + 1] != '&') return std::tolower(static_cast<unsigned char>(windowsLabel[at + 1]));
        ++at;
    }
    return 0;
}

}  // namespace posix
