// The one implementation of a seam that the process has installed: the display,
// the tone output. Using one before it is installed is a programming error.
#pragma once

#include "internal.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace posix {

template <typename Interface>
class Installed {
public:
    static Interface& get(const char* what) {
        if (!slot()) {
            std::fprintf(stderr, "Pipalo: no %s was installed before its first use\n", what);
            std::abort();
        }
        return *slot();
    }
    static bool has() { return slot() != nullptr; }
    static void set(std::unique_ptr<Interface> implementation) { slot() = std::move(implementation); }

private:
    static std::unique_ptr<Interface>& slot() {
        static std::unique_ptr<Interface> installed;
        return installed;
    }
};

}  // namespace posix
