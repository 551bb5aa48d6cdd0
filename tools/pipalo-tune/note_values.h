// A melody as the notes of a format that writes note values rather than hertz and
// milliseconds: each tone its nearest note, at the tempo whose note values come closest
// to the lengths, inside the notes the format holds.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "melody.h"

// The note values a format writes, the tempos and notes it holds.
struct NoteValueSet {
    std::vector<unsigned> durations;  // 4 for a quarter note
    unsigned slowest;                 // quarter notes a minute
    unsigned fastest;
    double longest;                   // ms a note may last, past which it is not taken
    int lowestNote;                   // as MIDI numbers them: 60 is Do4
    int highestNote;
    const char* lowestNoteName;       // for the notice of a melody raised: "octave 4"
};

struct NoteLength {
    unsigned duration;
    bool dotted;
    double milliseconds;
};

constexpr int restNote = -1;

struct WrittenNote {
    int midiNote;  // restNote for a rest
    NoteLength length;
};

struct NoteMelody {
    unsigned beatsPerMinute = 0;
    std::vector<WrittenNote> notes;    // none for a melody of rests only
    std::vector<std::string> notices;  // how far the notes are from the melody
};

// A melody below the format's notes is raised by whole octaves; a note still outside
// them then is moved by octaves of its own. The tempo is the one whose values come
// closest to the tones' lengths; of those equally close (b=40 with 32nd notes is b=160
// with eighths), the one nearest to quarter notes. A rest longer than the longest value
// is written as several.
NoteMelody noteMelody(const Melody& melody, const NoteValueSet& values);

// The duration and octave most notes have, which a format of defaults leaves out of them.
struct NoteDefaults {
    unsigned duration;
    int octave;  // Do4 begins octave 4
};

// For a melody with a tone.
NoteDefaults noteDefaults(const NoteMelody& written);

// Each note as "<duration><letter><octave><dot>", the defaults left out; `letters` name
// the twelve notes from Do.
std::string spelledNotes(const NoteMelody& written, const NoteDefaults& defaults,
                         const std::array<const char*, 12>& letters, char rest, const char* separator);

// The value most often found, the smallest of those found as often.
template <typename Value>
Value mostCommon(const std::vector<Value>& values) {
    std::map<Value, std::size_t> counts;
    for (const Value& value : values) ++counts[value];
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })->first;
}
