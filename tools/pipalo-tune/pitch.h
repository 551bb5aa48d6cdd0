// Where a tone's frequency sits: whether Beep sounds it, and the nearest note of
// the equal-tempered scale on La4 = 440 Hz, as MIDI numbers it, with how far off.
#pragma once

#include <string>

#include "tune_text.h"

// Whether the player sounds the record: Beep refuses a frequency outside its range.
bool isSounded(const TuneRecord& record);

struct NearestNote {
    int midiNote;  // 60 is Do4
    double cents;  // from the note to the frequency, -50 to +50
};

// For a frequency Beep sounds.
NearestNote nearestNote(double frequency);

// The note's name as the program names its notes: "Do" to "Si", a "#" for a sharp, and
// the octave, Do4 being the Do of the program's lower octave.
std::string noteName(int midiNote);
