#include "display.h"

#include <cstdio>
#include <cstdlib>

namespace posix {

namespace {
std::unique_ptr<Display>& installedDisplay() {
    static std::unique_ptr<Display> theDisplay;
    return theDisplay;
}
}  // namespace

Display& display() {
    if (!installedDisplay()) {
        std::fputs("Pipalo: no display was installed before the first window call\n", stderr);
        std::abort();
    }
    return *installedDisplay();
}

void setDisplay(std::unique_ptr<Display> display) { installedDisplay() = std::move(display); }

}  // namespace posix
