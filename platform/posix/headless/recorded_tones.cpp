// The tone output of the tests, which writes each tone down.
#include "headless/recorded_tones.h"

#include "test_driver/driver.h"

namespace headless {

void RecordedTones::play(unsigned frequency, unsigned milliseconds) {
    driver.recordTone(frequency, milliseconds);
}

void RecordedTones::called(DWORD frequency, DWORD duration) { driver.recordBeepCall(frequency, duration); }

}  // namespace headless
