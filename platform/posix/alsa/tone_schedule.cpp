// When each tone ends on the clock.
#include "tone_schedule.h"

namespace posix {

ToneSchedule::Slot ToneSchedule::next(Clock::time_point now, std::chrono::milliseconds length) {
    const bool follows = anyBefore && now < deviceEnd;
    deviceEnd = (follows ? deviceEnd : now + startSilence) + length;
    anyBefore = true;
    return {deviceEnd - margin, follows};
}

}  // namespace posix
