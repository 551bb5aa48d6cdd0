// A melody read from another program's format: its tones and rests in order, before
// they become a tune's records.
#pragma once

#include <string>
#include <vector>

struct MelodyEvent {
    double frequency;     // hertz; 0 for a rest
    double milliseconds;
};

using Melody = std::vector<MelodyEvent>;

constexpr double restFrequency = 0.0;

struct ImportOptions {
    double a4 = 440.0;  // the La the other notes are tuned from
    int track = 0;      // a MIDI file's track to take, counted from 1; 0 for any
    int channel = 0;    // a MIDI file's channel to take, 1 to 16; 0 for any
};

// The equal-tempered frequency of a note as MIDI numbers it (69 is La4).
double pitchFrequency(int midiNote, const ImportOptions& options);

// More tones and rests than any song has: an importer refuses a melody longer, so that a
// hostile file cannot fill the memory.
constexpr std::size_t longestMelody = 200000;
