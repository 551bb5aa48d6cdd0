// Runs every conformance case and says which failed. On Linux each case starts on
// a fresh headless desktop; on Windows they share the process, as programs do.
#include <cstdio>

#include "conformance.h"

#ifndef _WIN32
#include "headless/driver.h"
#endif

namespace conformance {

namespace {
int failures = 0;
}

std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}

bool underWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

void skip(const std::string& why) { std::printf("  skipped under Wine: %s\n", why.c_str()); }

void fail(const char* file, int line, const std::string& what) {
    std::printf("  %s:%d: %s\n", file, line, what.c_str());
    ++failures;
}

}  // namespace conformance

int main() {
    int failed = 0;
    for (const conformance::Case& test : conformance::cases()) {
        const int before = conformance::failures;
        {
#ifndef _WIN32
            headless::Driver desktop;
#endif
            test.run();
        }
        const bool passed = conformance::failures == before;
        failed += passed ? 0 : 1;
        std::printf("%s: %s\n", passed ? "ok" : "FAILED", test.name);
        std::fflush(stdout);
    }
    std::printf("%zu conformance cases: %zu passed, %d failed\n", conformance::cases().size(),
                conformance::cases().size() - failed, failed);
    return failed == 0 ? 0 : 1;
}
