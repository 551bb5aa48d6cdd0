// Finding tones sample for sample in a capture.
#include "tone_search.h"

#include <algorithm>

#include "tone_samples.h"

std::vector<std::int16_t> samplesOf(Tone tone) {
    posix::ToneSamples samples(tone.frequency, tone.milliseconds);
    std::vector<std::int16_t> rendered(samples.count());
    samples.render(0, rendered);
    return rendered;
}

std::vector<std::optional<std::size_t>> findInOrder(const std::vector<std::int16_t>& captured,
                                                    const std::vector<Tone>& tones) {
    std::vector<std::optional<std::size_t>> starts;
    auto searchFrom = captured.begin();
    for (Tone tone : tones) {
        std::vector<std::int16_t> expected = samplesOf(tone);
        auto found = std::search(searchFrom, captured.end(), expected.begin(), expected.end());
        if (found == captured.end()) {
            starts.emplace_back();
        } else {
            starts.emplace_back(found - captured.begin());
            searchFrom = found + static_cast<long>(expected.size());
        }
    }
    return starts;
}
