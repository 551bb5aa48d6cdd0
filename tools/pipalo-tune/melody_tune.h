// A melody made into the text of a tune file as Pipalo writes it: its header line,
// then one record per tone in whole hertz and milliseconds.
#pragma once

#include <string>
#include <vector>

#include "melody.h"

struct MelodyTune {
    std::string text;                  // empty when the melody has no tone to write
    std::vector<std::string> notices;  // what changed on the way, for the user
};

// Each tone sounds from the moment its place in the melody starts, rounded to the
// millisecond, so roundings do not add up over a long tune. A tone longer than a
// record holds becomes several records of its frequency. Records hold 100 to 999 Hz:
// a melody outside that is moved by whole octaves until it fits, and a tone still
// outside then is moved alone. Rests cannot be written and are left out.
MelodyTune melodyTune(const Melody& melody);
