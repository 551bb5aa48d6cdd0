// RTTTL, the ringtone text of old mobile phones: "name:d=4,o=6,b=63:c,8d#.,p,2g5".
#include <array>
#include <cctype>

#include "melody_import.h"
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

// Semitones above Do of the letter's octave; "h" is the German name of Si.
int semitoneOf(char letter) {
    constexpr std::array<int, 7> fromA = {9, 11, 0, 2, 4, 5, 7};
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (lower == 'h') return 11;
    return lower >= 'a' && lower <= 'g' ? fromA[static_cast<std::size_t>(lower - 'a')] : -1;
}

// One "key=value" of the defaults section.
std::string readDefault(SourceText& source, Defaults& defaults) {
    const std::size_t keyAt = source.position;
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(take(source))));
    skipSpaces(source);
    if (!takeIf(source, '=')) return errorAt(source, keyAt, "expected d=, o= or b= in the defaults");
    skipSpaces(source);
    const std::size_t valueAt = source.position;
    const std::optional<unsigned> value = takeNumber(source);
    if (!value) return errorAt(source, "expected a number after " + std::string(1, key) + "=");
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
        case 'b':
            if (*value == 0 || *value > fastestBeat) return errorAt(source, valueAt, "b= must be 1 to 900");
            defaults.beatsPerMinute = *value;
            return {};
        case 'l':  // loop and style of the ringtone text exchange format: a tune file plays once
        case 's':
            return {};
        default:
            return errorAt(source, keyAt, "expected d=, o= or b= in the defaults");
    }
}

std::string readDefaults(SourceText& source, Defaults& defaults) {
    skipSpaces(source);
    while (peek(source) != ':') {
        if (atEnd(source)) return errorAt(source, "expected \":\" after the defaults");
        if (std::string reason = readDefault(source, defaults); !reason.empty()) return reason;
        skipSpaces(source);
        if (takeIf(source, ',')) skipSpaces(source);
    }
    take(source);
    return {};
}

bool takeDot(SourceText& source) {
    skipSpaces(source);
    return takeIf(source, '.');
}

std::string readNote(SourceText& source, const Defaults& defaults, const ImportOptions& options, Melody& melody) {
    const std::size_t durationAt = source.position;
    const unsigned duration = takeNumber(source).value_or(defaults.duration);
    if (!isDuration(duration)) return errorAt(source, durationAt, "a duration must be 1, 2, 4, 8, 16, 32 or 64");
    skipSpaces(source);
    const std::size_t noteAt = source.position;
    const char letter = take(source);
    const bool pause = letter == 'p' || letter == 'P';
    int semitone = semitoneOf(letter);
    if (!pause && semitone < 0) return errorAt(source, noteAt, "expected a note (a to g, or p for a pause)");
    skipSpaces(source);
    if (takeIf(source, '#')) ++semitone;
    // The dot is found before the octave as often as after it.
    bool dotted = takeDot(source);
    skipSpaces(source);
    const std::size_t octaveAt = source.position;
    const unsigned octave = takeNumber(source).value_or(defaults.octave);
    if (octave < lowestOctave || octave > highestOctave)
        return errorAt(source, octaveAt, "an octave must be 1 to 8");
    dotted = takeDot(source) || dotted;
    const double milliseconds = 240000.0 / defaults.beatsPerMinute / duration * (dotted ? 1.5 : 1.0);
    const double frequency =
        pause ? restFrequency : pitchFrequency(12 * (static_cast<int>(octave) + 1) + semitone, options);
    melody.push_back({frequency, milliseconds});
    return {};
}

}  // namespace

std::string importRtttl(std::string_view text, const ImportOptions& options, Melody& melody) {
    SourceText source{text};
    const std::size_t nameEnd = text.find(':');
    if (nameEnd == std::string_view::npos) return errorAt(source, text.size(), "expected \"name:\" to begin");
    source.position = nameEnd + 1;
    Defaults defaults;
    if (std::string reason = readDefaults(source, defaults); !reason.empty()) return reason;
    skipSpaces(source);
    while (!atEnd(source)) {
        if (std::string reason = readNote(source, defaults, options, melody); !reason.empty()) return reason;
        skipSpaces(source);
        if (!atEnd(source) && !takeIf(source, ','))
            return errorAt(source, "expected \",\" between notes");
        skipSpaces(source);
    }
    return {};
}
