// When each tone ends on the clock. A tone asked for while the device still
// holds the end of the previous one follows it without a gap, and its end is
// counted from the previous end rather than from the moment of asking, so a
// run of tones keeps its rhythm however long it goes on.
#pragma once

#include "internal.h"

#include <chrono>

namespace posix {

class ToneSchedule {
public:
    using Clock = std::chrono::steady_clock;

    struct Slot {
        Clock::time_point end;
        bool followsPrevious;
    };

    // `lead`: how far the device runs ahead of the clock, the time it takes to play what it holds.
    explicit ToneSchedule(Clock::duration lead = {}) : lead(lead) {}

    Slot next(Clock::time_point now, std::chrono::milliseconds length);

private:
    Clock::duration lead;
    Clock::time_point previousEnd{};
    bool anyBefore = false;
};

}  // namespace posix
