// A tune as a ringtone: the tempo searched whose lengths come closest, and the error told.
#include "rtttl_export.h"

#include <array>
#include <cctype>

#include "note_values.h"

namespace {

// A record holds at most 999 ms: a longer note would come back as two records.
// Ringtones have octaves 4 to 7 only.
const NoteValueSet ringtoneValues = {{1, 2, 4, 8, 16, 32}, 25, 900, 999, 60, 107, "octave 4"};
constexpr std::size_t longestName = 10;
constexpr std::array<const char*, 12> letters = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};

std::string ringtoneName(const std::string& name) {
    std::string cleaned;
    for (const char character : name)
        if (std::isalnum(static_cast<unsigned char>(character)) && cleaned.size() < longestName) cleaned += character;
    return cleaned.empty() ? "Pipalo" : cleaned;
}

int octaveOf(int midiNote) { return midiNote / 12 - 1; }

}  // namespace

RtttlExport rtttlExport(const Melody& melody, const std::string& name) {
    NoteMelody written = noteMelody(melody, ringtoneValues);
    RtttlExport ringtone;
    if (written.notes.empty()) return ringtone;
    std::vector<unsigned> durations;
    std::vector<int> octaves;
    for (const WrittenNote& note : written.notes) {
        durations.push_back(note.length.duration);
        if (note.midiNote != restNote) octaves.push_back(octaveOf(note.midiNote));
    }
    const unsigned defaultDuration = mostCommon(durations);
    const int defaultOctave = mostCommon(octaves);
    std::string text = ringtoneName(name) + ":d=" + std::to_string(defaultDuration) +
                       ",o=" + std::to_string(defaultOctave) + ",b=" + std::to_string(written.beatsPerMinute) + ":";
    for (std::size_t index = 0; index < written.notes.size(); ++index) {
        const WrittenNote& note = written.notes[index];
        if (index > 0) text += ',';
        if (note.length.duration != defaultDuration) text += std::to_string(note.length.duration);
        if (note.midiNote == restNote) {
            text += 'p';
        } else {
            text += letters[static_cast<std::size_t>(note.midiNote % 12)];
            if (octaveOf(note.midiNote) != defaultOctave) text += std::to_string(octaveOf(note.midiNote));
        }
        if (note.length.dotted) text += '.';
    }
    ringtone.text = text;
    ringtone.notices = std::move(written.notices);
    return ringtone;
}
