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

}  // namespace

RtttlExport rtttlExport(const Melody& melody, const std::string& name) {
    NoteMelody written = noteMelody(melody, ringtoneValues);
    RtttlExport ringtone;
    if (written.notes.empty()) return ringtone;
    const NoteDefaults defaults = noteDefaults(written);
    const std::string text = ringtoneName(name) + ":d=" + std::to_string(defaults.duration) +
                             ",o=" + std::to_string(defaults.octave) + ",b=" + std::to_string(written.beatsPerMinute) +
                             ":" + spelledNotes(written, defaults, letters, 'p', ",");
    ringtone.text = text;
    ringtone.notices = std::move(written.notices);
    return ringtone;
}
