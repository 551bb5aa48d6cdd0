// Windows' '&' mnemonics as GTK's '_' ones.
#include "gtk/labels.h"

namespace posix {

std::string gtkMnemonicLabel(const std::string& windowsLabel) {
    std::string label;
    for (std::size_t at = 0; at < windowsLabel.size(); ++at) {
        const char character = windowsLabel[at];
        if (character == '_') {
            label += "__";
        } else if (character == '&' && at + 1 < windowsLabel.size()) {
            const char next = windowsLabel[++at];
            label += next == '&' ? "&" : std::string("_") + next;
            if (next == '_') label += '_';
        } else {
            label += character;
        }
    }
    return label;
}

}  // namespace posix
