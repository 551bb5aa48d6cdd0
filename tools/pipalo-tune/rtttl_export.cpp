// A tune as a ringtone: the tempo searched whose lengths come closest, and the error told.
#include "rtttl_export.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

#include "pitch.h"

namespace {

constexpr std::array<unsigned, 6> durations = {1, 2, 4, 8, 16, 32};
constexpr unsigned slowestBeat = 25;
constexpr unsigned fastestBeat = 900;
constexpr int lowestOctave = 4;
constexpr int highestOctave = 7;
constexpr std::size_t longestName = 10;
constexpr std::array<const char*, 12> letters = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};

struct NoteLength {
    unsigned duration;
    bool dotted;
    double milliseconds;
};

using NoteLengths = std::array<NoteLength, 2 * durations.size()>;

// Every length a note can have at the tempo, plain and dotted.
NoteLengths lengthsAt(unsigned beatsPerMinute) {
    NoteLengths lengths{};
    std::size_t index = 0;
    for (const unsigned duration : durations)
        for (const bool dotted : {false, true})
            lengths[index++] = {duration, dotted, 240000.0 / beatsPerMinute / duration * (dotted ? 1.5 : 1.0)};
    return lengths;
}

// A record holds at most 999 ms: a longer note would come back as two records.
constexpr double longestNote = 999;

// The closest of the lengths a record can hold; every tempo has some (b=25 has 300 ms).
NoteLength closestLength(double milliseconds, const NoteLengths& lengths) {
    const auto distance = [&](const NoteLength& length) {
        return length.milliseconds > longestNote ? HUGE_VAL : std::abs(length.milliseconds - milliseconds);
    };
    return *std::min_element(lengths.begin(), lengths.end(),
                             [&](const NoteLength& a, const NoteLength& b) { return distance(a) < distance(b); });
}

double totalError(const std::vector<TuneRecord>& records, unsigned beatsPerMinute) {
    const NoteLengths lengths = lengthsAt(beatsPerMinute);
    double error = 0;
    for (const TuneRecord& record : records)
        error += std::abs(closestLength(record.duration, lengths).milliseconds - record.duration);
    return error;
}

// How far the notes are from quarter notes, the beat a reader expects.
double distanceFromBeat(const std::vector<TuneRecord>& records, unsigned beatsPerMinute) {
    const NoteLengths lengths = lengthsAt(beatsPerMinute);
    double distance = 0;
    for (const TuneRecord& record : records)
        distance += std::abs(std::log2(closestLength(record.duration, lengths).duration / 4.0));
    return distance;
}

// Of the tempos that come equally close (b=40 with 32nd notes is b=160 with eighths),
// the one that writes the notes nearest to quarter notes.
unsigned closestTempo(const std::vector<TuneRecord>& records) {
    constexpr double sameError = 1e-6;
    unsigned best = slowestBeat;
    double bestError = totalError(records, best);
    for (unsigned beatsPerMinute = slowestBeat + 1; beatsPerMinute <= fastestBeat; ++beatsPerMinute) {
        const double error = totalError(records, beatsPerMinute);
        const bool closer = error < bestError - sameError;
        if (closer || (error < bestError + sameError &&
                       distanceFromBeat(records, beatsPerMinute) < distanceFromBeat(records, best))) {
            best = beatsPerMinute;
            bestError = std::min(error, bestError);
        }
    }
    return best;
}

template <typename Value>
Value mostCommon(const std::vector<Value>& values) {
    std::map<Value, std::size_t> counts;
    for (const Value& value : values) ++counts[value];
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })->first;
}

std::string ringtoneName(const std::string& name) {
    std::string cleaned;
    for (const char character : name)
        if (std::isalnum(static_cast<unsigned char>(character)) && cleaned.size() < longestName) cleaned += character;
    return cleaned.empty() ? "Pipalo" : cleaned;
}

std::string formatted(const char* format, double first, double second) {
    char text[160];
    std::snprintf(text, sizeof text, format, first, second);
    return text;
}

}  // namespace

RtttlExport rtttlExport(const std::vector<TuneRecord>& records, const std::string& name) {
    RtttlExport ringtone;
    if (records.empty()) return ringtone;
    std::vector<int> notes;
    double worstCents = 0;
    for (const TuneRecord& record : records) {
        const NearestNote note = nearestNote(record.frequency);
        notes.push_back(note.midiNote);
        worstCents = std::max(worstCents, std::abs(note.cents));
    }
    // Ringtones have octaves 4 to 7 only: a lower tune is raised by whole octaves.
    const int lowest = *std::min_element(notes.begin(), notes.end()) / 12 - 1;
    const int shift = std::max(0, lowestOctave - lowest);
    const unsigned beatsPerMinute = closestTempo(records);
    const NoteLengths lengthsOfTempo = lengthsAt(beatsPerMinute);
    std::vector<NoteLength> lengths;
    std::vector<unsigned> lengthCodes;
    std::vector<int> octaves;
    for (std::size_t index = 0; index < records.size(); ++index) {
        lengths.push_back(closestLength(records[index].duration, lengthsOfTempo));
        lengthCodes.push_back(lengths.back().duration);
        octaves.push_back(std::min(highestOctave, notes[index] / 12 - 1 + shift));
    }
    const unsigned defaultDuration = mostCommon(lengthCodes);
    const int defaultOctave = mostCommon(octaves);
    std::string text = ringtoneName(name) + ":d=" + std::to_string(defaultDuration) +
                       ",o=" + std::to_string(defaultOctave) + ",b=" + std::to_string(beatsPerMinute) + ":";
    double worstMilliseconds = 0;
    double sumMilliseconds = 0;
    for (std::size_t index = 0; index < records.size(); ++index) {
        if (index > 0) text += ',';
        if (lengths[index].duration != defaultDuration) text += std::to_string(lengths[index].duration);
        text += letters[static_cast<std::size_t>(notes[index] % 12)];
        if (octaves[index] != defaultOctave) text += std::to_string(octaves[index]);
        if (lengths[index].dotted) text += '.';
        const double error = std::abs(lengths[index].milliseconds - records[index].duration);
        worstMilliseconds = std::max(worstMilliseconds, error);
        sumMilliseconds += error;
    }
    ringtone.text = text;
    if (shift > 0)
        ringtone.notices.push_back("moved " + std::to_string(shift) + (shift == 1 ? " octave" : " octaves") +
                                   " up: a ringtone's notes start at octave 4");
    ringtone.notices.push_back(formatted("lengths off by %.1f ms at most, %.1f ms on average", worstMilliseconds,
                                         sumMilliseconds / records.size()));
    ringtone.notices.push_back(formatted("pitches off by %.0f cents at most (nearest notes on La4 = %.0f Hz)",
                                         worstCents, 440.0));
    return ringtone;
}
