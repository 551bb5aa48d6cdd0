// The tempo search, each distinct length weighed by how often it comes and every tempo
// the format holds tried, and the notes fitted into the format's octaves.
#include "note_values.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "pitch.h"

namespace {

// The lengths a note can have at the tempo, none longer than the format lets it last,
// shortest first; of lengths alike, the value listed first in the format's list.
struct Lengths {
    std::vector<NoteLength> byLength;
    std::vector<std::size_t> order;  // of each length, its place in the format's list
};

Lengths lengthsAt(unsigned beatsPerMinute, const NoteValueSet& values) {
    std::vector<std::pair<NoteLength, std::size_t>> listed;
    for (const unsigned duration : values.durations)
        for (const bool dotted : {false, true}) {
            const NoteLength length{duration, dotted, 240000.0 / beatsPerMinute / duration * (dotted ? 1.5 : 1.0)};
            if (length.milliseconds <= values.longest) listed.emplace_back(length, listed.size());
        }
    std::sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return a.first.milliseconds != b.first.milliseconds ? a.first.milliseconds < b.first.milliseconds
                                                            : a.second < b.second;
    });
    Lengths lengths;
    for (const auto& [length, order] : listed)
        if (lengths.byLength.empty() || lengths.byLength.back().milliseconds != length.milliseconds) {
            lengths.byLength.push_back(length);
            lengths.order.push_back(order);
        }
    return lengths;
}

// The closest of the lengths; of two as close, the one listed first.
NoteLength closestLength(double milliseconds, const Lengths& lengths) {
    const std::vector<NoteLength>& byLength = lengths.byLength;
    const auto above = std::lower_bound(byLength.begin(), byLength.end(), milliseconds,
                                        [](const NoteLength& length, double wanted) { return length.milliseconds < wanted; });
    if (above == byLength.begin()) return *above;
    if (above == byLength.end()) return byLength.back();
    const auto below = above - 1;
    const double aboveDistance = above->milliseconds - milliseconds;
    const double belowDistance = milliseconds - below->milliseconds;
    if (aboveDistance != belowDistance) return aboveDistance < belowDistance ? *above : *below;
    const std::size_t aboveAt = static_cast<std::size_t>(above - byLength.begin());
    return lengths.order[aboveAt] < lengths.order[aboveAt - 1] ? *above : *below;
}

struct Fit {
    double error = 0;             // ms the lengths are off, all added
    double distanceFromBeat = 0;  // how far the notes are from quarter notes, the beat a reader expects
};

Fit fitAt(const std::map<double, std::size_t>& counts, unsigned beatsPerMinute, const NoteValueSet& values) {
    const Lengths lengths = lengthsAt(beatsPerMinute, values);
    Fit fit;
    if (lengths.byLength.empty()) return {HUGE_VAL, HUGE_VAL};
    for (const auto& [milliseconds, count] : counts) {
        const NoteLength length = closestLength(milliseconds, lengths);
        fit.error += static_cast<double>(count) * std::abs(length.milliseconds - milliseconds);
        fit.distanceFromBeat += static_cast<double>(count) * std::abs(std::log2(length.duration / 4.0));
    }
    return fit;
}

unsigned closestTempo(const Melody& melody, const NoteValueSet& values) {
    // Lengths to a hundredth of a millisecond are enough to choose by, and few in any
    // melody a person wrote.
    std::map<double, std::size_t> counts;
    for (const MelodyEvent& event : melody) ++counts[std::round(event.milliseconds * 100) / 100];
    constexpr double sameError = 1e-6;
    unsigned bestTempo = 0;
    Fit best;
    for (unsigned beatsPerMinute = values.slowest; beatsPerMinute <= values.fastest; ++beatsPerMinute) {
        const Fit fit = fitAt(counts, beatsPerMinute, values);
        if (bestTempo == 0 || fit.error < best.error - sameError) {
            bestTempo = beatsPerMinute;
            best = fit;
        } else if (fit.error < best.error + sameError && fit.distanceFromBeat < best.distanceFromBeat) {
            bestTempo = beatsPerMinute;
            best = {std::min(fit.error, best.error), fit.distanceFromBeat};
        }
    }
    return bestTempo;
}

std::string formatted(const char* format, double first, double second) {
    char text[160];
    std::snprintf(text, sizeof text, format, first, second);
    return text;
}

}  // namespace

NoteMelody noteMelody(const Melody& melody, const NoteValueSet& values) {
    NoteMelody written;
    std::vector<int> notes;
    double worstCents = 0;
    int lowest = INT_MAX;
    for (const MelodyEvent& event : melody) {
        if (event.frequency <= restFrequency) {
            notes.push_back(restNote);
            continue;
        }
        const NearestNote note = nearestNote(event.frequency);
        notes.push_back(note.midiNote);
        lowest = std::min(lowest, note.midiNote);
        worstCents = std::max(worstCents, std::abs(note.cents));
    }
    if (lowest == INT_MAX) return written;
    const int shift = lowest < values.lowestNote ? (values.lowestNote - lowest + 11) / 12 : 0;
    written.beatsPerMinute = closestTempo(melody, values);
    const Lengths lengths = lengthsAt(written.beatsPerMinute, values);
    double worstMilliseconds = 0;
    double sumMilliseconds = 0;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        int note = notes[index];
        if (note != restNote) {
            note += 12 * shift;
            while (note > values.highestNote) note -= 12;
        }
        const NoteLength length = closestLength(melody[index].milliseconds, lengths);
        written.notes.push_back({note, length});
        const double error = std::abs(length.milliseconds - melody[index].milliseconds);
        worstMilliseconds = std::max(worstMilliseconds, error);
        sumMilliseconds += error;
    }
    if (shift > 0)
        written.notices.push_back("moved " + std::to_string(shift) + (shift == 1 ? " octave" : " octaves") +
                                  " up: the notes start at " + values.lowestNoteName);
    written.notices.push_back(formatted("lengths off by %.1f ms at most, %.1f ms on average", worstMilliseconds,
                                        sumMilliseconds / static_cast<double>(melody.size())));
    written.notices.push_back(
        formatted("pitches off by %.0f cents at most (nearest notes on La4 = %.0f Hz)", worstCents, 440.0));
    return written;
}
