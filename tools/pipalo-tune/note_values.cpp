// The tempo search, each distinct length weighed by how often it comes and every tempo
// the format holds tried, and the notes fitted into the format's octaves.
#include "note_values.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "pitch.h"

namespace {

// Lengths of notes, shortest first; of lengths alike, the value listed first in the
// format's list.
struct Lengths {
    std::vector<NoteLength> byLength;
    std::vector<std::size_t> order;  // of each length, its place in the format's list
};

// The note values as lengths of a whole note lasting 1 ms: their order is every tempo's.
Lengths fractionsOf(const NoteValueSet& values) {
    std::vector<std::pair<NoteLength, std::size_t>> listed;
    for (const unsigned duration : values.durations)
        for (const bool dotted : {false, true})
            listed.emplace_back(NoteLength{duration, dotted, (dotted ? 1.5 : 1.0) / duration}, listed.size());
    std::sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return a.first.milliseconds != b.first.milliseconds ? a.first.milliseconds < b.first.milliseconds
                                                            : a.second < b.second;
    });
    Lengths fractions;
    for (const auto& [length, order] : listed)
        if (fractions.byLength.empty() || fractions.byLength.back().milliseconds != length.milliseconds) {
            fractions.byLength.push_back(length);
            fractions.order.push_back(order);
        }
    return fractions;
}

// The note values at one tempo, as many of them as the format lets a note last.
struct Tempo {
    const Lengths* fractions;
    double wholeNote;   // ms
    std::size_t count;  // of the shortest fractions that are short enough

    NoteLength at(std::size_t index) const {
        NoteLength length = fractions->byLength[index];
        length.milliseconds *= wholeNote;
        return length;
    }
};

Tempo tempoOf(unsigned beatsPerMinute, const Lengths& fractions, const NoteValueSet& values) {
    Tempo tempo{&fractions, 240000.0 / beatsPerMinute, 0};
    while (tempo.count < fractions.byLength.size() && tempo.at(tempo.count).milliseconds <= values.longest)
        ++tempo.count;
    return tempo;
}

// The closest of the lengths; of two as close, the one listed first.
NoteLength closestLength(double milliseconds, const Tempo& tempo) {
    std::size_t low = 0;
    std::size_t high = tempo.count;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (tempo.at(middle).milliseconds < milliseconds) low = middle + 1;
        else high = middle;
    }
    if (low == 0) return tempo.at(0);
    if (low == tempo.count) return tempo.at(tempo.count - 1);
    const NoteLength above = tempo.at(low);
    const NoteLength below = tempo.at(low - 1);
    const double aboveDistance = above.milliseconds - milliseconds;
    const double belowDistance = milliseconds - below.milliseconds;
    if (aboveDistance != belowDistance) return aboveDistance < belowDistance ? above : below;
    return tempo.fractions->order[low] < tempo.fractions->order[low - 1] ? above : below;
}

struct Fit {
    double error = 0;             // ms the lengths are off, all added
    double distanceFromBeat = 0;  // how far the notes are from quarter notes, the beat a reader expects
};

Fit fitAt(const std::map<double, std::size_t>& counts, const Tempo& tempo) {
    Fit fit;
    if (tempo.count == 0) return {HUGE_VAL, HUGE_VAL};
    for (const auto& [milliseconds, count] : counts) {
        const NoteLength length = closestLength(milliseconds, tempo);
        fit.error += static_cast<double>(count) * std::abs(length.milliseconds - milliseconds);
        fit.distanceFromBeat += static_cast<double>(count) * std::abs(std::log2(length.duration / 4.0));
    }
    return fit;
}

unsigned closestTempo(const Melody& melody, const Lengths& fractions, const NoteValueSet& values) {
    // Lengths to a hundredth of a millisecond are enough to choose by, and few in any
    // melody a person wrote. Only the tones choose: a rest of any length can be written
    // as several, and a long pause between two tunes must not slow the notes down.
    std::map<double, std::size_t> counts;
    for (const MelodyEvent& event : melody)
        if (event.frequency > restFrequency) ++counts[std::round(event.milliseconds * 100) / 100];
    constexpr double sameError = 1e-6;
    unsigned bestTempo = 0;
    Fit best;
    for (unsigned beatsPerMinute = values.slowest; beatsPerMinute <= values.fastest; ++beatsPerMinute) {
        const Fit fit = fitAt(counts, tempoOf(beatsPerMinute, fractions, values));
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
    const Lengths fractions = fractionsOf(values);
    written.beatsPerMinute = closestTempo(melody, fractions, values);
    const Tempo tempo = tempoOf(written.beatsPerMinute, fractions, values);
    double worstMilliseconds = 0;
    double sumMilliseconds = 0;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        int note = notes[index];
        if (note != restNote) {
            note += 12 * shift;
            while (note > values.highestNote) note -= 12;
        }
        double left = melody[index].milliseconds;
        const NoteLength longest = tempo.at(tempo.count - 1);
        const double shortest = tempo.at(0).milliseconds;
        for (; note == restNote && left > longest.milliseconds + shortest / 2; left -= longest.milliseconds)
            written.notes.push_back({note, longest});
        const NoteLength length = closestLength(left, tempo);
        written.notes.push_back({note, length});
        const double error = std::abs(length.milliseconds - left);
        worstMilliseconds = std::max(worstMilliseconds, error);
        sumMilliseconds += error;
    }
    if (shift > 0)
        written.notices.push_back("moved " + counted(static_cast<std::size_t>(shift), "octave", "octaves") +
                                  " up: the notes start at " + values.lowestNoteName);
    written.notices.push_back(formatted("lengths off by %.1f ms at most, %.1f ms on average", worstMilliseconds,
                                        sumMilliseconds / static_cast<double>(melody.size())));
    written.notices.push_back(
        formatted("pitches off by %.0f cents at most (nearest notes on La4 = %.0f Hz)", worstCents, 440.0));
    return written;
}

namespace {

int octaveOf(int midiNote) { return midiNote / 12 - 1; }

}  // namespace

NoteDefaults noteDefaults(const NoteMelody& written) {
    std::vector<unsigned> durations;
    std::vector<int> octaves;
    for (const WrittenNote& note : written.notes) {
        durations.push_back(note.length.duration);
        if (note.midiNote != restNote) octaves.push_back(octaveOf(note.midiNote));
    }
    return {mostCommon(durations), mostCommon(octaves)};
}

std::string spelledNotes(const NoteMelody& written, const NoteDefaults& defaults,
                         const std::array<const char*, 12>& letters, char rest, const char* separator) {
    std::string text;
    for (const WrittenNote& note : written.notes) {
        if (!text.empty()) text += separator;
        if (note.length.duration != defaults.duration) text += std::to_string(note.length.duration);
        if (note.midiNote == restNote) {
            text += rest;
        } else {
            text += letters[static_cast<std::size_t>(note.midiNote % 12)];
            if (octaveOf(note.midiNote) != defaults.octave) text += std::to_string(octaveOf(note.midiNote));
        }
        if (note.length.dotted) text += '.';
    }
    return text;
}
