// The Flipper Zero's music files (.fmf): "Key: value" lines, the last of them the notes,
// "Notes: 8C5, 8P, 4E5, 4A#5.", each a note value at the file's BPM.
#include <array>
#include <cctype>
#include <cmath>
#include <optional>

#include "melody_import.h"
#include "note_values.h"
#include "source_text.h"

namespace {

constexpr std::string_view fileType = "Flipper Music Format";
constexpr unsigned longestDuration = 128;
constexpr unsigned highestOctave = 16;
constexpr unsigned mostDots = 16;

struct Header {
    std::optional<unsigned> beatsPerMinute, duration, octave;
    bool typed = false, versioned = false;
    std::size_t notesFrom = 0, notesTo = 0;
    bool hasNotes = false;
};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::optional<unsigned> numberOf(std::string_view value) {
    SourceText source{value};
    const std::optional<unsigned> number = takeNumber(source);
    return atEnd(source) ? number : std::nullopt;
}

// One "Key: value" line; keys the player does not know are passed over, as it does.
std::string readLine(std::string_view content, std::size_t from, std::size_t to, Header& header, MelodyBuilder& melody) {
    const std::string_view line = content.substr(from, to - from);
    if (trimmed(line).empty() || trimmed(line).starts_with('#')) return {};
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return melody.failureAt(from, "expected a line \"Key: value\"");
    const std::string_view key = trimmed(line.substr(0, colon));
    const std::string_view value = trimmed(line.substr(colon + 1));
    const std::size_t valueAt = from + colon + 1;
    const auto number = [&](std::optional<unsigned>& field, unsigned lowest, unsigned highest) -> std::string {
        field = numberOf(value);
        if (!field || *field < lowest || *field > highest)
            return melody.failureAt(valueAt, std::string(key) + " takes " + std::to_string(lowest) + " to " +
                                                 std::to_string(highest));
        return {};
    };
    if (key == "Filetype") {
        if (value != fileType) return melody.failureAt(valueAt, "not a Flipper Music Format file");
        header.typed = true;
    } else if (key == "Version") {
        if (value != "0") return melody.failureAt(valueAt, "only version 0 of the format is known");
        header.versioned = true;
    } else if (key == "BPM") {
        return number(header.beatsPerMinute, 1, 60000);
    } else if (key == "Duration") {
        return number(header.duration, 1, longestDuration);
    } else if (key == "Octave") {
        return number(header.octave, 0, highestOctave);
    } else if (key == "Notes") {
        header.notesFrom = valueAt;
        header.notesTo = to;
        header.hasNotes = true;
    }
    return {};
}

// "<duration><note><#><octave><dots>", the duration and octave the file's own when left
// out; the player takes "_" for "#" too.
std::string readNote(SourceText& source, const Header& header, MelodyBuilder& melody) {
    const std::size_t at = source.position;
    melody.at(at);
    const std::optional<unsigned> duration = takeNumber(source);
    if (duration && (*duration < 1 || *duration > longestDuration))
        return errorAt(source, at, "a note's duration is 1 to 128");
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(take(source))));
    const bool rest = letter == 'P';
    if (!rest && (letter < 'A' || letter > 'G')) return errorAt(source, at, "expected a note A to G or P");
    const bool sharp = takeIf(source, '#') || takeIf(source, '_');
    const std::size_t octaveAt = source.position;
    std::optional<unsigned> octave = takeNumber(source);
    if (octave && *octave > highestOctave) return errorAt(source, octaveAt, "a note's octave is 1 to 16");
    unsigned dots = 0;
    while (takeIf(source, '.')) ++dots;
    if (dots > mostDots) return errorAt(source, at, "a note has at most 16 dots");
    // The player reads an octave of 0 as none written.
    if (!octave || *octave == 0) octave = header.octave;
    // Each dot makes the note half again as long as it was, as the player times it.
    const double milliseconds =
        60000.0 / *header.beatsPerMinute * 4.0 / duration.value_or(*header.duration) * std::pow(1.5, dots);
    if (rest) {
        melody.rest(milliseconds);
        return {};
    }
    melody.note(12 * (static_cast<int>(*octave) + 1) + semitoneOfLetter(letter) + (sharp ? 1 : 0), milliseconds);
    return {};
}

std::string readFlipper(std::string_view content, MelodyBuilder& melody) {
    Header header;
    for (std::size_t from = 0; from < content.size();) {
        const std::size_t to = std::min(content.find('\n', from), content.size());
        if (std::string reason = readLine(content, from, to, header, melody); !reason.empty()) return reason;
        from = to + 1;
    }
    if (!header.typed) return melody.failureAt(0, "no line \"Filetype: Flipper Music Format\"");
    for (const auto& [field, key] : {std::pair{&header.beatsPerMinute, "BPM"}, std::pair{&header.duration, "Duration"},
                                     std::pair{&header.octave, "Octave"}})
        if (!*field) return melody.failureAt(content.size(), std::string("no line \"") + key + ": ...\"");
    if (!header.hasNotes) return melody.failureAt(content.size(), "no line \"Notes: ...\"");
    SourceText source{content, header.notesFrom, header.notesTo};
    for (skipSpaces(source); !atEnd(source) && !melody.full(); skipSpaces(source)) {
        if (std::string reason = readNote(source, header, melody); !reason.empty()) return reason;
        // Notes set apart by a space alone are notes as their authors meant them, though the
        // player passes over what follows a note up to the next comma.
        const std::size_t noteEnd = source.position;
        skipSpaces(source);
        if (!atEnd(source) && !takeIf(source, ',') && source.position == noteEnd)
            return errorAt(source, "expected \",\" between notes");
    }
    return {};
}

Resemblance resemblesFlipper(std::string_view content) {
    return content.find(fileType) != std::string_view::npos && content.find("Notes:") != std::string_view::npos
               ? Resemblance::surely
               : Resemblance::none;
}

// Every duration the player takes, 1 to 128 (12 for an eighth of a triplet); every
// integer BPM is the player's, these are the ones tried.
std::vector<unsigned> everyDuration() {
    std::vector<unsigned> durations;
    for (unsigned duration = 1; duration <= longestDuration; ++duration) durations.push_back(duration);
    return durations;
}
// Octaves 1 to 10: the files allow 16, but past 10 nothing is heard.
const NoteValueSet flipperValues = {everyDuration(), 25, 900, HUGE_VAL, 24, 12 * 11 + 11, "octave 1"};
constexpr std::array<const char*, 12> letters = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

std::string writeFlipper(const Melody& melody, MelodyOutput& output) {
    NoteMelody written = noteMelody(melody, flipperValues);
    if (written.notes.empty()) {
        output.failure = "no note in the melody";
        return {};
    }
    const NoteDefaults defaults = noteDefaults(written);
    const std::string text = "Filetype: Flipper Music Format\nVersion: 0\nBPM: " +
                             std::to_string(written.beatsPerMinute) + "\nDuration: " +
                             std::to_string(defaults.duration) + "\nOctave: " + std::to_string(defaults.octave) +
                             "\nNotes: " + spelledNotes(written, defaults, letters, 'P', ", ");
    output.notices.insert(output.notices.end(), written.notices.begin(), written.notices.end());
    return text + "\n";
}

}  // namespace

extern const MelodyFormat flipperFormat = {
    "fmf", {".fmf"}, "the Flipper Zero's music files: \"BPM: 120\" ... \"Notes: 8C5, 8P, 4E5\"", false,
    resemblesFlipper, readFlipper, writeFlipper,
};
