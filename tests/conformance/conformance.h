// A small harness for the conformance cases: they are compiled natively against
// the Win32 subset and with mingw-w64 for Windows, where no GoogleTest is at hand.
// A case uses Win32 calls only; it cleans up after itself, since on Windows the
// cases share one process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "win32.h"

// Windows posts it, but mingw-w64's headers do not name it.
#ifndef WM_KEYF1
#define WM_KEYF1 0x004D
#endif

namespace conformance {

struct Case {
    const char* name;
    void (*run)();
};

std::vector<Case>& cases();
void fail(const char* file, int line, const std::string& what);
// For the few checks where Wine is known to differ from Windows; a check left out
// says so with skip.
bool underWine();
void skip(const std::string& why);

template <typename Actual, typename Expected>
void checkEqual(const char* file, int line, const char* what, const Actual& actual,
                const Expected& expected) {
    if (!(actual == expected))
        fail(file, line, std::string(what) + ": " + std::to_string(actual) + " != " +
                             std::to_string(expected));
}

struct Registration {
    Registration(const char* name, void (*run)()) { cases().push_back({name, run}); }
};

}  // namespace conformance

#define CONFORMANCE_CASE(name)                                                 \
    static void name();                                                        \
    static const conformance::Registration name##Registration(#name, name);    \
    static void name()

#define CHECK(condition) \
    ((condition) ? void() : conformance::fail(__FILE__, __LINE__, "CHECK(" #condition ")"))

#define CHECK_EQ(actual, expected) \
    conformance::checkEqual(__FILE__, __LINE__, #actual " == " #expected, (actual), (expected))
