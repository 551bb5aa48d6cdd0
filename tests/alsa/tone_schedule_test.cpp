#include "alsa/tone_schedule.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using posix::ToneSchedule;

const ToneSchedule::Clock::time_point start = ToneSchedule::Clock::now();

TEST(ToneSchedule, FirstToneEndsItsLengthAfterItWasAskedFor) {
    ToneSchedule schedule(10ms);
    ToneSchedule::Slot slot = schedule.next(start, 230ms);
    EXPECT_EQ(slot.end, start + 230ms);
    EXPECT_FALSE(slot.followsPrevious);
}

TEST(ToneSchedule, ToneAskedForWhileTheDeviceStillPlaysFollowsThePreviousOne) {
    ToneSchedule schedule(10ms);
    schedule.next(start, 230ms);
    ToneSchedule::Slot slot = schedule.next(start + 230ms + 9ms, 100ms);
    EXPECT_TRUE(slot.followsPrevious);
    EXPECT_EQ(slot.end, start + 330ms);
}

TEST(ToneSchedule, ToneAskedForAfterTheDeviceRanDryStartsAnew) {
    ToneSchedule schedule(10ms);
    schedule.next(start, 230ms);
    ToneSchedule::Slot slot = schedule.next(start + 230ms + 10ms, 100ms);
    EXPECT_FALSE(slot.followsPrevious);
    EXPECT_EQ(slot.end, start + 340ms);
}

TEST(ToneSchedule, RunOfTonesAskedForLateKeepsItsRhythm) {
    ToneSchedule schedule(10ms);
    ToneSchedule::Clock::time_point askedAt = start;
    for (int tone = 0; tone < 1'000; ++tone) askedAt = schedule.next(askedAt, 230ms).end + 50us;
    EXPECT_EQ(askedAt, start + 1'000 * 230ms + 50us);
}

}  // namespace
