// The samples of one tone: a sine at the tone's frequency, faded in and out
// over a few milliseconds so that neither its start nor its end clicks.
#pragma once

#include <cstdint>
#include <span>

namespace posix {

class ToneSamples {
public:
    static constexpr unsigned sampleRate = 48000;
    // Half of full scale leaves headroom for the resampling and mixing behind ALSA's default device.
    static constexpr std::int16_t peak = 16384;
    static constexpr std::uint64_t fadeLength = sampleRate * 5 / 1000;

    ToneSamples(unsigned frequency, unsigned milliseconds);

    std::uint64_t count() const { return sampleCount; }
    // Writes the samples from index `first` on into `out`, which must end within the tone;
    // a long tone is rendered a block at a time.
    void render(std::uint64_t first, std::span<std::int16_t> out) const;

private:
    double gain(std::uint64_t index) const;

    unsigned frequency;
    std::uint64_t sampleCount;
    std::uint64_t fade;
    // A frequency of half the sample rate or more cannot be sampled; it would alias to an audible one.
    bool audible;
};

}  // namespace posix
