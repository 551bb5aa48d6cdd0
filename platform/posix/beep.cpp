#include "installed.h"
#include "tone_output.h"
#include "win32_subset.h"

namespace posix {

ToneOutput& toneOutput() { return Installed<ToneOutput>::get("tone output"); }

void setToneOutput(std::unique_ptr<ToneOutput> output) {
    Installed<ToneOutput>::set(std::move(output));
}

}  // namespace posix

BOOL WINAPI Beep(DWORD frequency, DWORD duration) {
    posix::toneOutput().called(frequency, duration);
    // Windows refuses these at once, without sound and without waiting.
    if (frequency < 37 || frequency > 32767) return FALSE;
    posix::toneOutput().play(frequency, duration);
    return TRUE;
}
