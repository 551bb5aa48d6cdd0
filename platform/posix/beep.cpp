#include <cstdio>
#include <cstdlib>

#include "tone_output.h"
#include "win32_subset.h"

namespace posix {

namespace {
std::unique_ptr<ToneOutput>& installedOutput() {
    static std::unique_ptr<ToneOutput> theOutput;
    return theOutput;
}
}  // namespace

ToneOutput& toneOutput() {
    if (!installedOutput()) {
        std::fputs("Pipalo: no tone output was installed before the first Beep\n", stderr);
        std::abort();
    }
    return *installedOutput();
}

void setToneOutput(std::unique_ptr<ToneOutput> output) { installedOutput() = std::move(output); }

}  // namespace posix

BOOL WINAPI Beep(DWORD frequency, DWORD duration) {
    // Windows refuses these at once, without sound and without waiting.
    if (frequency < 37 || frequency > 32767) return FALSE;
    posix::toneOutput().play(frequency, duration);
    return TRUE;
}
