// A melody as an ABC tune: the note values and the tempo chosen as for a ringtone, the
// unit note an eighth, every accidental written where the bar has not said it yet.
#include <array>
#include <cctype>
#include <cmath>
#include <numeric>

#include "melody_writers.h"
#include "note_values.h"

namespace {

// From Do0 (C,,,,) to the top of MIDI's notes.
const NoteValueSet abcValues = {{1, 2, 4, 8, 16, 32}, 25, 900, HUGE_VAL, 12, 127, "Do0"};
constexpr std::array<char, 12> letters = {'C', 'C', 'D', 'D', 'E', 'F', 'F', 'G', 'G', 'A', 'A', 'B'};
constexpr std::array<bool, 12> sharps = {false, true, false, true, false, false, true, false, true, false, true, false};
constexpr std::size_t notesPerBar = 8;
constexpr std::size_t barsPerLine = 2;

// In eighths, the unit note: "3/2" for a dotted eighth, "" for an eighth.
std::string lengthSuffix(const NoteLength& length) {
    unsigned numerator = length.dotted ? 12 : 8;
    unsigned denominator = length.duration;
    const unsigned common = std::gcd(numerator, denominator);
    numerator /= common;
    denominator /= common;
    if (denominator == 1) return numerator == 1 ? "" : std::to_string(numerator);
    return (numerator == 1 ? "" : std::to_string(numerator)) + "/" + std::to_string(denominator);
}

std::string tuneName(const std::string& name) {
    std::string cleaned;
    for (const char character : name)
        if (character != '\n' && character != '\r') cleaned += character;
    return cleaned.empty() ? "Pipalo" : cleaned;
}

}  // namespace

std::string writeAbcMelody(const Melody& melody, MelodyOutput& output) {
    NoteMelody written = noteMelody(melody, abcValues);
    if (written.notes.empty()) {
        output.failure = "no note in the melody";
        return {};
    }
    std::string text = "X:1\nT:" + tuneName(output.name) + "\nL:1/8\nQ:1/4=" + std::to_string(written.beatsPerMinute) +
                       "\nK:C\n";
    // Which notes of the bar were last written sharp: by letter, as the standard carries an
    // accidental to every octave, and by letter and octave, as some readers carry it. A
    // note is marked wherever either would read it otherwise.
    std::array<bool, 7> sharpLetterInBar{};
    std::array<std::array<bool, 7>, 11> sharpInBar{};
    for (std::size_t index = 0; index < written.notes.size(); ++index) {
        const WrittenNote& note = written.notes[index];
        if (note.midiNote == restNote) {
            text += 'z';
        } else {
            const std::size_t semitone = static_cast<std::size_t>(note.midiNote % 12);
            const int octave = note.midiNote / 12 - 1;
            const std::size_t letterIndex = static_cast<std::size_t>(letters[semitone] - 'A');
            bool& sharp = sharpInBar[static_cast<std::size_t>(octave)][letterIndex];
            bool& sharpLetter = sharpLetterInBar[letterIndex];
            if (sharps[semitone] != sharp || sharps[semitone] != sharpLetter) text += sharps[semitone] ? '^' : '=';
            sharp = sharpLetter = sharps[semitone];
            if (octave >= 5) {
                text += static_cast<char>(std::tolower(static_cast<unsigned char>(letters[semitone])));
                text.append(static_cast<std::size_t>(octave - 5), '\'');
            } else {
                text += letters[semitone];
                text.append(static_cast<std::size_t>(4 - octave), ',');
            }
        }
        text += lengthSuffix(note.length);
        if ((index + 1) % notesPerBar == 0 || index + 1 == written.notes.size()) {
            sharpInBar = {};
            sharpLetterInBar = {};
            const bool lineEnds = (index + 1) % (notesPerBar * barsPerLine) == 0 || index + 1 == written.notes.size();
            text += index + 1 == written.notes.size() ? " |]\n" : lineEnds ? " |\n" : " | ";
        } else {
            text += ' ';
        }
    }
    output.notices.insert(output.notices.end(), written.notices.begin(), written.notices.end());
    return text;
}
