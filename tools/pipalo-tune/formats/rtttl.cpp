// RTTTL, the ringtone text of old mobile phones: "name:d=4,o=6,b=63:c,8d#.,p,2g5". Written
// at the tempo whose note lengths come closest to the tones' lengths.
#include <array>
#include <cctype>

#include "melody_import.h"
#include "note_values.h"
#include "source_text.h"

namespace {

struct Defaults {
    unsigned duration = 4;
    unsigned octave = 6;
    unsigned beatsPerMinute = 63;
};

constexpr unsigned lowestOctave = 1;
constexpr unsigned highestOctave = 8;
constexpr unsigned fastestBeat = 900;

// The format has 1 to 32; a 64th is found in collections often enough to be read too.
bool isDuration(unsigned value) {
    return value == 1 || value == 2 || value == 4 || value == 8 || value == 16 || value == 32 || value == 64;
}

bool isLetter(char character) { return std::isalpha(static_cast<unsigned char>(character)); }

// A control pair, "d=8" or "d8": d, o and b set what the notes after it take; l (loop),
// s (style) and names the format does not know are passed over, as it asks. `ends`
// holds the characters that end a value.
std::string readControl(SourceText& source, Defaults& defaults, std::string_view ends) {
    const std::size_t nameAt = source.position;
    while (isLetter(peek(source))) take(source);
    const std::string name(source.text.substr(nameAt, source.position - nameAt));
    skipSpaces(source);
    takeIf(source, '=');
    skipSpaces(source);
    const std::size_t valueAt = source.position;
    const char key = name.size() == 1 ? static_cast<char>(std::tolower(static_cast<unsigned char>(name[0]))) : '\0';
    if (key != 'd' && key != 'o' && key != 'b') {
        while (!atEnd(source) && ends.find(peek(source)) == std::string_view::npos) take(source);
        if (source.position == valueAt) return errorAt(source, "expected a value after " + name);
        return {};
    }
    const std::optional<unsigned> value = takeNumber(source);
    if (!value) return errorAt(source, "expected a number after " + name + "=");
    switch (key) {
        case 'd':
            if (!isDuration(*value)) return errorAt(source, valueAt, "d= must be 1, 2, 4, 8, 16, 32 or 64");
            defaults.duration = *value;
            return {};
        case 'o':
            if (*value < lowestOctave || *value > highestOctave)
                return errorAt(source, valueAt, "o= must be an octave from 1 to 8");
            defaults.octave = *value;
            return {};
        default:
            if (*value == 0 || *value > fastestBeat) return errorAt(source, valueAt, "b= must be 1 to 900");
            defaults.beatsPerMinute = *value;
            return {};
    }
}

std::string readDefaults(SourceText& source, Defaults& defaults) {
    skipSpaces(source);
    while (!takeIf(source, ':')) {
        if (atEnd(source)) return errorAt(source, "expected \":\" after the defaults");
        if (!isLetter(peek(source))) return errorAt(source, "expected d=, o= or b= in the defaults");
        if (std::string reason = readControl(source, defaults, ",:"); !reason.empty()) return reason;
        skipSpaces(source);
        if (takeIf(source, ',')) skipSpaces(source);
        else if (peek(source) != ':') return errorAt(source, "expected \",\" between the defaults");
    }
    return {};
}

// Among the notes, a control pair is a name and "=", or a letter that begins no note
// with a value after it: "b=80", "o5".
bool atControl(const SourceText& source) {
    std::size_t ahead = 0;
    while (isLetter(peek(source, ahead))) ++ahead;
    if (ahead == 0) return false;
    std::size_t after = ahead;
    while (peek(source, after) == ' ' || peek(source, after) == '\t') ++after;
    if (peek(source, after) == '=') return true;
    const char first = peek(source);
    const bool beginsNote = semitoneOfLetter(first) >= 0 || first == 'p' || first == 'P';
    return !beginsNote && peek(source, after) != ',' && peek(source, after) != '\0';
}

bool takeDot(SourceText& source) {
    skipSpaces(source);
    return takeIf(source, '.');
}

std::string readNote(SourceText& source, const Defaults& defaults, MelodyBuilder& melody) {
    const std::size_t durationAt = source.position;
    melody.at(durationAt);
    const unsigned duration = takeNumber(source).value_or(defaults.duration);
    if (!isDuration(duration)) return errorAt(source, durationAt, "a duration must be 1, 2, 4, 8, 16, 32 or 64");
    skipSpaces(source);
    const std::size_t noteAt = source.position;
    const char letter = take(source);
    const bool pause = letter == 'p' || letter == 'P';
    int semitone = semitoneOfLetter(letter);
    if (!pause && semitone < 0) return errorAt(source, noteAt, "expected a note (a to g, or p for a pause)");
    skipSpaces(source);
    // PICAXE's collections write a sharp as "_".
    if ((peek(source) == '#' || peek(source) == '_') && pause)
        return errorAt(source, "a pause has no sharp (RTTTL's <note>)");
    if (takeIf(source, '#') || takeIf(source, '_')) ++semitone;
    // The dot is found before the octave as often as after it, but only one.
    bool dotted = takeDot(source);
    skipSpaces(source);
    const std::size_t octaveAt = source.position;
    const unsigned octave = takeNumber(source).value_or(defaults.octave);
    if (octave < lowestOctave || octave > highestOctave)
        return errorAt(source, octaveAt, "an octave must be 1 to 8");
    for (skipSpaces(source); peek(source) == '.'; skipSpaces(source)) {
        if (dotted) return errorAt(source, "a note has one dot at most (RTTTL's <special-duration>)");
        dotted = takeDot(source);
    }
    const double milliseconds = 240000.0 / defaults.beatsPerMinute / duration * (dotted ? 1.5 : 1.0);
    if (pause) melody.rest(milliseconds);
    else melody.note(12 * (static_cast<int>(octave) + 1) + semitone, milliseconds);
    return {};
}

std::string importRtttl(std::string_view text, MelodyBuilder& melody) {
    SourceText source{text};
    const std::size_t nameEnd = text.find(':');
    if (nameEnd == std::string_view::npos) return errorAt(source, text.size(), "expected \"name:\" to begin");
    source.position = nameEnd + 1;
    Defaults defaults;
    if (std::string reason = readDefaults(source, defaults); !reason.empty()) return reason;
    skipSpaces(source);
    while (!atEnd(source) && !melody.full()) {
        const std::string reason =
            atControl(source) ? readControl(source, defaults, ",") : readNote(source, defaults, melody);
        if (!reason.empty()) return reason;
        skipSpaces(source);
        if (!atEnd(source) && !takeIf(source, ','))
            return errorAt(source, "expected \",\" between notes");
        skipSpaces(source);
    }
    return {};
}

// "name:d=4,o=5,b=100:c,..." on the first line that holds anything.
Resemblance resemblesRtttl(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return Resemblance::none;
    const std::string_view line = text.substr(start, text.find('\n', start) - start);
    const std::size_t nameEnd = line.find(':');
    const std::size_t defaultsEnd = line.find(':', nameEnd + 1);
    if (nameEnd == std::string_view::npos || defaultsEnd == std::string_view::npos) return Resemblance::none;
    const std::string_view defaults = line.substr(nameEnd + 1, defaultsEnd - nameEnd - 1);
    const bool keyed = defaults.find_first_not_of(" \tdobls=,0123456789DOBLS") == std::string_view::npos;
    return keyed ? Resemblance::surely : Resemblance::maybe;
}

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

// Rests are pauses; the name is cut to what a ringtone's name holds. A melody of rests
// only is an empty line.
std::string writeRtttl(const Melody& melody, MelodyOutput& output) {
    NoteMelody written = noteMelody(melody, ringtoneValues);
    if (written.notes.empty()) return "\n";
    const NoteDefaults defaults = noteDefaults(written);
    output.notices.insert(output.notices.end(), written.notices.begin(), written.notices.end());
    return ringtoneName(output.name) + ":d=" + std::to_string(defaults.duration) + ",o=" +
           std::to_string(defaults.octave) + ",b=" + std::to_string(written.beatsPerMinute) + ":" +
           spelledNotes(written, defaults, letters, 'p', ",") + "\n";
}

}  // namespace

extern const MelodyFormat rtttlFormat = {
    "rtttl", {".rtttl", ".rtx"}, "ringtone text: \"Tune:d=8,o=5,b=112:c,e,g,4c6\"", false, resemblesRtttl, importRtttl,
    writeRtttl,
};
