// A tone's samples: their count, frequency, peak and fades.
#include "tone_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using posix::ToneSamples;

std::vector<std::int16_t> renderWhole(const ToneSamples& tone) {
    std::vector<std::int16_t> samples(tone.count());
    tone.render(0, samples);
    return samples;
}

// From the first to the last rising zero crossing, each placed between its two samples by
// linear interpolation.
double measuredFrequency(std::span<const std::int16_t> samples) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            double at = static_cast<double>(i - 1) + -samples[i - 1] / double(samples[i] - samples[i - 1]);
            if (crossings++ == 0) first = at;
            last = at;
        }
    }
    return (crossings - 1) * ToneSamples::sampleRate / (last - first);
}

int largestStep(const std::vector<std::int16_t>& samples) {
    int largest = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        largest = std::max(largest, std::abs(samples[i] - samples[i - 1]));
    return largest;
}

// A sine of this frequency and peak never steps further between two samples; a little is allowed
// for the fades, which are much slower than any tone.
int steepestSineStep(unsigned frequency) {
    double radiansPerSample = 2 * std::numbers::pi * frequency / ToneSamples::sampleRate;
    return static_cast<int>(ToneSamples::peak * (radiansPerSample + 0.125)) + 1;
}

bool isSilent(const std::vector<std::int16_t>& samples) {
    return std::ranges::all_of(samples, [](std::int16_t sample) { return sample == 0; });
}

TEST(ToneSamples, HoldExactlyTheDurationAt48kHz) {
    EXPECT_EQ(ToneSamples(440, 0).count(), 0u);
    EXPECT_EQ(ToneSamples(440, 1).count(), 48u);
    EXPECT_EQ(ToneSamples(440, 230).count(), 11'040u);
    EXPECT_EQ(ToneSamples(37, 60'001).count(), 2'880'048u);
    EXPECT_EQ(ToneSamples(440, 4'294'967'295u).count(), 206'158'430'160u);
}

TEST(ToneSamples, SoundAtTheExactFrequency) {
    for (unsigned frequency : {37u, 262u, 440u, 1'000u, 4'186u, 15'000u}) {
        std::vector<std::int16_t> samples = renderWhole(ToneSamples(frequency, 500));
        // Rounding blurs the crossings where the fades make the samples small.
        auto betweenFades =
            std::span(samples).subspan(ToneSamples::fadeLength, samples.size() - 2 * ToneSamples::fadeLength);
        EXPECT_NEAR(measuredFrequency(betweenFades), frequency, 0.25) << frequency << " Hz";
    }
}

TEST(ToneSamples, KeepTheirFrequencyDeepIntoAVeryLongTone) {
    ToneSamples tone(1'000, 4'294'967'295u);
    std::vector<std::int16_t> nearTheEnd(ToneSamples::sampleRate);
    tone.render(tone.count() - 2 * nearTheEnd.size(), nearTheEnd);
    EXPECT_NEAR(measuredFrequency(nearTheEnd), 1'000, 0.05);
    EXPECT_EQ(*std::ranges::max_element(nearTheEnd), ToneSamples::peak);
}

TEST(ToneSamples, ReachTheirPeakBetweenTheFades) {
    std::vector<std::int16_t> samples = renderWhole(ToneSamples(1'000, 230));
    EXPECT_EQ(*std::ranges::max_element(samples), ToneSamples::peak);
    EXPECT_EQ(*std::ranges::min_element(samples), -ToneSamples::peak);
}

TEST(ToneSamples, FadeInFromSilenceAndOutToSilenceWithoutAJump) {
    for (unsigned frequency : {37u, 440u, 1'000u, 4'186u}) {
        std::vector<std::int16_t> samples = renderWhole(ToneSamples(frequency, 230));
        EXPECT_EQ(samples.front(), 0) << frequency << " Hz";
        EXPECT_EQ(samples.back(), 0) << frequency << " Hz";
        auto firstMillisecond = std::span(samples).first(48), lastMillisecond = std::span(samples).last(48);
        auto loudness = [](std::int16_t sample) { return std::abs(sample); };
        EXPECT_LT(std::ranges::max(firstMillisecond, {}, loudness), ToneSamples::peak / 4)
            << frequency << " Hz";
        EXPECT_LT(std::ranges::max(lastMillisecond, {}, loudness), ToneSamples::peak / 4)
            << frequency << " Hz";
        EXPECT_LE(largestStep(samples), steepestSineStep(frequency)) << frequency << " Hz";
    }
}

TEST(ToneSamples, ShorterThanTheirFadesStillStartAndEndInSilence) {
    for (unsigned milliseconds = 1; milliseconds <= 12; ++milliseconds) {
        std::vector<std::int16_t> samples = renderWhole(ToneSamples(440, milliseconds));
        EXPECT_EQ(samples.front(), 0) << milliseconds << " ms";
        EXPECT_EQ(samples.back(), 0) << milliseconds << " ms";
        EXPECT_FALSE(isSilent(samples)) << milliseconds << " ms";
        EXPECT_LE(largestStep(samples), steepestSineStep(440)) << milliseconds << " ms";
    }
}

TEST(ToneSamples, RenderedInBlocksAreTheSameAsRenderedAtOnce) {
    ToneSamples tone(440, 230);
    std::vector<std::int16_t> whole = renderWhole(tone);
    for (std::size_t blockSize : {7u, 480u, 1'024u}) {
        std::vector<std::int16_t> inBlocks(tone.count());
        for (std::size_t first = 0; first < inBlocks.size(); first += blockSize)
            tone.render(first,
                        std::span(inBlocks).subspan(first, std::min(blockSize, inBlocks.size() - first)));
        EXPECT_EQ(inBlocks, whole) << "blocks of " << blockSize;
    }
}

TEST(ToneSamples, FromHalfTheSampleRateUpAreSilentButLastTheirTime) {
    EXPECT_FALSE(isSilent(renderWhole(ToneSamples(23'999, 10))));
    for (unsigned frequency : {24'000u, 32'767u}) {
        ToneSamples tone(frequency, 10);
        EXPECT_EQ(tone.count(), 480u);
        EXPECT_TRUE(isSilent(renderWhole(tone))) << frequency << " Hz";
    }
}

}  // namespace
