// The tone output of the tests: each tone is written down, and takes no time
// but on the driver's virtual clock.
#pragma once

#include "internal.h"

#include "tone_output.h"

namespace headless {

class Driver;

class RecordedTones : public posix::ToneOutput {
public:
    explicit RecordedTones(Driver& driver) : driver(driver) {}
    void play(unsigned frequency, unsigned milliseconds) override;
    void called(DWORD frequency, DWORD duration) override;

private:
    Driver& driver;
};

}  // namespace headless
