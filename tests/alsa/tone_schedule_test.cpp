// When a tone's call returns, and how a run of tones keeps its rhythm.
#include "alsa/tone_schedule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using posix::ToneSchedule;

const ToneSchedule::Clock::time_point start = ToneSchedule::Clock::now();

// A stream starts with 1 ms of silence; a call returns 20 ms before its tone's end on the device.
ToneSchedule schedule() { return ToneSchedule(1ms, 20ms); }

TEST(ToneSchedule, FirstToneReturnsTheMarginBeforeItsEndOnTheDevice) {
    ToneSchedule tones = schedule();
    ToneSchedule::Slot slot = tones.next(start, 230ms);
    EXPECT_EQ(slot.end, start + 1ms + 230ms - 20ms);
    EXPECT_FALSE(slot.followsPrevious);
}

TEST(ToneSchedule, ToneAskedForLateButWhileTheDeviceStillPlaysFollowsThePreviousOne) {
    ToneSchedule tones = schedule();
    ToneSchedule::Slot first = tones.next(start, 230ms);
    ToneSchedule::Slot slot = tones.next(first.end + 19ms, 100ms);
    EXPECT_TRUE(slot.followsPrevious);
    EXPECT_EQ(slot.end, start + 1ms + 330ms - 20ms);
}

TEST(ToneSchedule, ToneAskedForAfterTheDeviceRanDryStartsAnew) {
    ToneSchedule tones = schedule();
    ToneSchedule::Slot first = tones.next(start, 230ms);
    ToneSchedule::Slot slot = tones.next(first.end + 20ms, 100ms);
    EXPECT_FALSE(slot.followsPrevious);
    EXPECT_EQ(slot.end, first.end + 20ms + 1ms + 100ms - 20ms);
}

TEST(ToneSchedule, RunOfTonesAskedForLateKeepsItsRhythm) {
    ToneSchedule tones = schedule();
    ToneSchedule::Clock::time_point askedAt = start;
    for (int tone = 0; tone < 1'000; ++tone) askedAt = tones.next(askedAt, 230ms).end + 50us;
    EXPECT_EQ(askedAt, start + 1ms + 1'000 * 230ms - 20ms + 50us);
}

TEST(ToneSchedule, WithoutADeviceEachCallTakesItsTonesTime) {
    ToneSchedule tones;
    EXPECT_EQ(tones.next(start, 230ms).end, start + 230ms);
    EXPECT_EQ(tones.next(start + 230ms, 30ms).end, start + 260ms);
}

}  // namespace
