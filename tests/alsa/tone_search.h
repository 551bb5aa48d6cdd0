// Finds played tones in a capture, sample for sample.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct Tone {
    unsigned frequency;
    unsigned milliseconds;
};

std::vector<std::int16_t> samplesOf(Tone tone);

// Where each tone starts in the capture, each searched for after the end of the one before;
// nothing for a tone that is not there whole.
std::vector<std::optional<std::size_t>> findInOrder(const std::vector<std::int16_t>& captured,
                                                    const std::vector<Tone>& tones);
