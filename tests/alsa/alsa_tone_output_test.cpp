// The ALSA output on a captured device and on none: whole tones, their time, one line of failure.
#include "alsa_tone_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "alsa_configuration.h"
#include "tone_search.h"

namespace {

using namespace std::chrono_literals;
using posix::AlsaToneOutput;
using Clock = std::chrono::steady_clock;

// Each tone must be in the capture sample for sample, in order, and nothing but silence beside them.
testing::AssertionResult holdsOnly(std::vector<std::int16_t> captured, const std::vector<Tone>& tones) {
    std::vector<std::optional<std::size_t>> starts = findInOrder(captured, tones);
    for (std::size_t i = 0; i < tones.size(); ++i) {
        if (!starts[i])
            return testing::AssertionFailure()
                   << "the tone of " << tones[i].frequency << " Hz, " << tones[i].milliseconds
                   << " ms is not whole in the capture after the ones before it";
        std::fill_n(captured.begin() + static_cast<long>(*starts[i]), samplesOf(tones[i]).size(), 0);
    }
    auto stray = std::ranges::find_if(captured, [](std::int16_t sample) { return sample != 0; });
    if (stray != captured.end())
        return testing::AssertionFailure() << "sample " << stray - captured.begin() << " belongs to no tone";
    return testing::AssertionSuccess();
}

class AlsaToneOutputCapture : public testing::Test {
protected:
    AlsaConfiguration alsa{AlsaDefault::capturedToWav};
};

// A call returns while its tone still has this much to play on the device.
constexpr auto returnMargin = 20ms;

TEST_F(AlsaToneOutputCapture, ConsecutiveTonesReachTheDeviceWholeAndTakeTheirTime) {
    Clock::time_point start = Clock::now(), firstEnded, secondEnded;
    {
        AlsaToneOutput output("Pipalo");
        output.play(440, 120);
        firstEnded = Clock::now();
        output.play(660, 80);
        secondEnded = Clock::now();
    }
    EXPECT_GE(firstEnded - start, 120ms - returnMargin);
    EXPECT_GE(secondEnded - start, 200ms - returnMargin);
    AlsaConfiguration::Capture capture = alsa.capture();
    EXPECT_EQ(capture.sampleRate, 48'000);
    EXPECT_EQ(capture.channels, 1);
    EXPECT_TRUE(holdsOnly(capture.samples, {{440, 120}, {660, 80}}));
}

TEST_F(AlsaToneOutputCapture, ToneAfterAnIdlePauseStillComesWholeInTheSameCapture) {
    Clock::time_point secondAsked, secondEnded;
    {
        AlsaToneOutput output("Pipalo");
        output.play(523, 40);
        std::this_thread::sleep_for(60ms);
        secondAsked = Clock::now();
        output.play(784, 40);
        secondEnded = Clock::now();
    }
    EXPECT_GE(secondEnded - secondAsked, 40ms - returnMargin);
    EXPECT_TRUE(holdsOnly(alsa.capture().samples, {{523, 40}, {784, 40}}));
}

// The one line names the ALSA call that failed and ALSA's own reason.
TEST(AlsaToneOutputWithoutDevice, SaysSoOnceNamingTheCallAndStillTakesEachTonesTime) {
    const struct {
        AlsaDefault device;
        const char* failure;
    } cases[] = {
        {AlsaDefault::missingCard, "cannot be opened: snd_pcm_open: "},
        {AlsaDefault::twoChannelsOnly,
         "cannot be set up: snd_pcm_hw_params_set_channels(1 channel): Invalid argument;"},
    };
    for (const auto& [device, failure] : cases) {
        SCOPED_TRACE(failure);
        AlsaConfiguration alsa(device);
        testing::internal::CaptureStderr();
        Clock::time_point start = Clock::now();
        {
            AlsaToneOutput output("Pipalo");
            output.play(440, 30);
            output.play(440, 30);
        }
        Clock::duration taken = Clock::now() - start;
        std::string told = testing::internal::GetCapturedStderr();
        EXPECT_GE(taken, 60ms);
        EXPECT_EQ(std::ranges::count(told, '\n'), 1) << told;
        EXPECT_TRUE(told.starts_with("Pipalo: ALSA's default sound device ")) << told;
        EXPECT_NE(told.find(failure), std::string::npos) << told;
    }
}

}  // namespace
