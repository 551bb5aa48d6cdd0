// The samples of one tone: the sine and its fades.
#include "tone_samples.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace posix {

ToneSamples::ToneSamples(unsigned frequency, unsigned milliseconds)
    : frequency(frequency),
      sampleCount(std::uint64_t{sampleRate} * milliseconds / 1000),
      fade(std::min(fadeLength, sampleCount / 2)),
      audible(2 * std::uint64_t{frequency} < sampleRate) {}

double ToneSamples::gain(std::uint64_t index) const {
    std::uint64_t fromEdge = std::min(index, sampleCount - 1 - index);
    if (fromEdge >= fade) return 1.0;
    double progress = static_cast<double>(fromEdge) / static_cast<double>(fade);
    return (1.0 - std::cos(std::numbers::pi * progress)) / 2.0;
}

void ToneSamples::render(std::uint64_t first, std::span<std::int16_t> out) const {
    if (!audible) {
        std::ranges::fill(out, 0);
        return;
    }
    for (std::size_t offset = 0; offset < out.size(); ++offset) {
        std::uint64_t index = first + offset;
        // The phase is reduced in whole numbers, so that it stays exact however long the tone lasts.
        double cycles = static_cast<double>(std::uint64_t{frequency} * index % sampleRate) / sampleRate;
        out[offset] = static_cast<std::int16_t>(
            std::lround(peak * gain(index) * std::sin(2.0 * std::numbers::pi * cycles)));
    }
}

}  // namespace posix
