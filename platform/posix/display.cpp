// The installed display.
#include "display.h"

#include "installed.h"

namespace posix {

Display& display() { return Installed<Display>::get("display"); }

void setDisplay(std::unique_ptr<Display> display) { Installed<Display>::set(std::move(display)); }

}  // namespace posix
