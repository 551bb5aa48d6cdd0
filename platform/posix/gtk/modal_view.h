// A message box or file dialog on the screen, waiting for the user's answer.
#pragma once

#include "internal.h"

namespace posix {

class ModalView {
public:
    virtual ~ModalView() = default;
    // Hands the answer on once the user has given it; true when it has been handed on.
    virtual bool reportAnswer() = 0;
    // The close of a window it holds disabled: a view of another process, which the user may
    // not be able to reach or end, ends as cancelled; the program's own stay.
    virtual void ownerClosing() {}
    // Its owner was destroyed: it leaves the screen and answers as cancelled, as Windows ends
    // a box or dialog with its owner.
    virtual void ownerDestroyed() = 0;
};

}  // namespace posix
