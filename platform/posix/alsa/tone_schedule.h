// When each tone ends on the device and when its call returns. A tone asked for
// while the device still holds the end of the previous one follows it without a
// gap, and its end is counted from the previous end rather than from the moment
// of asking, so a run of tones keeps its rhythm however long it goes on. The
// call returns a margin before the device's end, so that the next tone, asked for
// a little late on a busy machine, still finds the device playing.
#pragma once

#include <chrono>

namespace posix {

class ToneSchedule {
public:
    using Clock = std::chrono::steady_clock;

    struct Slot {
        Clock::time_point end;  // when the call returns
        bool followsPrevious;
    };

    // `startSilence`: what the device plays before a tone that starts the stream afresh.
    // `margin`: how long before the tone's end on the device its call returns.
    ToneSchedule(Clock::duration startSilence, Clock::duration margin)
        : startSilence(startSilence), margin(margin) {}
    ToneSchedule() = default;

    Slot next(Clock::time_point now, std::chrono::milliseconds length);

private:
    Clock::duration startSilence{};
    Clock::duration margin{};
    Clock::time_point deviceEnd{};
    bool anyBefore = false;
};

}  // namespace posix
