// The nested loop of a modal box or dialog.
#include "modal_loop.h"

#include "desktop.h"
#include "display.h"

namespace posix {

bool runModalLoop(const std::function<bool()>& answered) {
    while (!answered()) {
        MSG message;
        switch (pollMessage(message)) {
        case Taken::message:
            TranslateMessage(&message);
            DispatchMessageA(&message);
            break;
        case Taken::quit:
            display().cancelModal();
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        case Taken::nothing:
            display().waitForInput();
            break;
        }
    }
    return true;
}

OwnerDisabled::OwnerDisabled(HWND owner)
    : owner(owner), wasEnabled(findWindow(owner) && findWindow(owner)->enabled) {
    if (wasEnabled) EnableWindow(owner, FALSE);
}

OwnerDisabled::~OwnerDisabled() {
    if (wasEnabled && findWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
}

}  // namespace posix
