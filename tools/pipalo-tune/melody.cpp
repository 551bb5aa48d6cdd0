// The frequency of a note of the equal-tempered scale.
#include "melody.h"

#include <cmath>

double pitchFrequency(int midiNote, const ImportOptions& options) {
    return options.a4 * std::exp2((midiNote - 69) / 12.0);
}
