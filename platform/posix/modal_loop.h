// The loop of a modal box or dialog: it dispatches the messages of every window
// meanwhile, as Windows does, and runs no key pass.
#pragma once

#include "internal.h"

#include <functional>

#include "win32_subset.h"

namespace posix {

// Dispatches messages until `answered` holds. A quit request taken meanwhile closes
// the modal and is posted again for the loop outside; the result is then false.
bool runModalLoop(const std::function<bool()>& answered);

// Disables the owner while a modal is open and gives it back its input afterwards.
class OwnerDisabled {
public:
    explicit OwnerDisabled(HWND owner);
    ~OwnerDisabled();
    OwnerDisabled(const OwnerDisabled&) = delete;
    OwnerDisabled& operator=(const OwnerDisabled&) = delete;

private:
    HWND owner;
    bool wasEnabled;
};

}  // namespace posix
