// A message box or file dialog on the screen, waiting for the user's answer.
#pragma once

#include "internal.h"

namespace posix {

class ModalView {
public:
    virtual ~ModalView() = default;
    // Hands the answer on once the user has given it; true when it has been handed on.
    virtual bool reportAnswer() = 0;
};

}  // namespace posix
