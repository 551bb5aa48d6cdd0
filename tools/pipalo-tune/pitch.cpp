// Whether Beep sounds a frequency, and the nearest equal-tempered note.
#include "pitch.h"

#include <array>
#include <cmath>

#include "beep_range.h"

namespace {

constexpr int laMidiNote = 69;
constexpr double laFrequency = 440.0;
constexpr int notesPerOctave = 12;

constexpr std::array<const char*, notesPerOctave> names = {
    "Do", "Do#", "Re", "Re#", "Mi", "Fa", "Fa#", "Sol", "Sol#", "La", "La#", "Si",
};

}  // namespace

bool isSounded(const TuneRecord& record) {
    return posix::isBeepFrequency(record.frequency);
}

NearestNote nearestNote(double frequency) {
    const double semitones = laMidiNote + notesPerOctave * std::log2(frequency / laFrequency);
    const int note = static_cast<int>(std::lround(semitones));
    return {note, 100.0 * (semitones - note)};
}

std::string noteName(int midiNote) {
    // MIDI's octave -1 starts at note 0, so Do4 is note 60.
    const int octave = midiNote / notesPerOctave - 1;
    return names[static_cast<std::size_t>(midiNote % notesPerOctave)] + std::to_string(octave);
}
