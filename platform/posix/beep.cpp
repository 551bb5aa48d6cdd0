// kernel32's Beep, and the tone output it plays through.
#include "beep_range.h"
#include "display.h"
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
    if (!posix::isBeepFrequency(frequency)) return FALSE;
    posix::toneOutput().play(frequency, duration);
    // A tone takes long enough for the keys to change; a program without a display
    // (pipalo-tune) has no key state to refresh.
    if (posix::Installed<posix::Display>::has()) posix::display().keysMayHaveChanged();
    return TRUE;
}
