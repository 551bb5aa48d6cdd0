// GetModuleHandleA: the one module, the executable.
#include "win32_subset.h"

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    // The executable is the one module; any stable non-null value serves as its instance.
    static char module;
    return moduleName ? nullptr : reinterpret_cast<HMODULE>(&module);
}
