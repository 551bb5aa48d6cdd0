// The tempo search, each distinct length weighed by how often it comes and every tempo
// the format holds tried, and the notes fitted into the format's octaves.
#include "note_values.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "pitch.h"

namespace {

std::vector<NoteLength> lengthsAt(unsigned beatsPerMinute, const NoteValueSet& values) {
    std::vector<NoteLength> lengths;
    for (const unsigned duration : values.durations)
        for (const bool dotted : {false, true})
            lengths.push_back({duration, dotted, 240000.0 / beatsPerMinute / duration * (dotted ? 1.5 : 1.0)});
    return lengths;
}

// The closest of the lengths the format lets a note have; the slowest tempo has some.
NoteLength closestLength(double milliseconds, const std::vector<NoteLength>& lengths, double longest) {
    const auto distance = [&](const NoteLength& length) {
        return length.milliseconds > longest ? HUGE_VAL : std::abs(length.milliseconds - milliseconds);
    };
    return *std::min_element(lengths.begin(), lengths.end(),
                             [&](const NoteLength& a, const NoteLength& b) { return distance(a) < distance(b); });
}

struct Fit {
    double error = 0;             // ms the lengths are off, all added
    double distanceFromBeat = 0;  // how far the notes are from quarter notes, the beat a reader expects
};

Fit fitAt(const std::map<double, std::size_t>& counts, unsigned beatsPerMinute, const NoteValueSet& values) {
    const std::vector<NoteLength> lengths = lengthsAt(beatsPerMinute, values);
    Fit fit;
    for (const auto& [milliseconds, count] : counts) {
        const NoteLength length = closestLength(milliseconds, lengths, values.longest);
        fit.error += static_cast<double>(count) * std::abs(length.milliseconds - milliseconds);
        fit.distanceFromBeat += static_cast<double>(count) * std::abs(std::log2(length.duration / 4.0));
    }
    return fit;
}

unsigned closestTempo(const Melody& melody, const NoteValueSet& values) {
    std::map<double, std::size_t> counts;
    for (const MelodyEvent& event : melody) ++counts[event.milliseconds];
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
    const std::vector<NoteLength> lengths = lengthsAt(written.beatsPerMinute, values);
    double worstMilliseconds = 0;
    double sumMilliseconds = 0;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        int note = notes[index];
        if (note != restNote) {
            note += 12 * shift;
            while (note > values.highestNote) note -= 12;
        }
        const NoteLength length = closestLength(melody[index].milliseconds, lengths, values.longest);
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
