// When each tone ends on the clock.
#include "alsa/tone_schedule.h"

namespace posix {

ToneSchedule::Slot ToneSchedule::next(Clock::time_point now, std::chrono::milliseconds length) {
    bool follows = anyBefore && now < previousEnd + lead;
    previousEnd = (follows ? previousEnd : now) + length;
    anyBefore = true;
    return {previousEnd, follows};
}

}  // namespace posix
