// A melody as the music string of BASIC's PLAY statement, bare or as the lines of a
// program: T for the tempo, O for the octave, L for the usual length, P for a rest.
#include <array>
#include <cmath>

#include "melody_import.h"
#include "note_values.h"

namespace {

// PLAY's tempos and note values; its octaves 0 to 6 start at the Do two octaves below Do4.
const NoteValueSet playValues = {{1, 2, 4, 8, 16, 32, 64}, 32, 255, HUGE_VAL, 24, 107, "PLAY's octave 0"};
constexpr std::array<const char*, 12> letters = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
// A program's line stays short enough for any BASIC's editor.
constexpr std::size_t longestStatement = 200;

int octaveOf(int midiNote) { return midiNote / 12 - 2; }

// What the string sets at its start, again at each statement of a program, so that each
// plays alike whatever came before it. ML plays each note its whole length.
std::string settings(unsigned tempo, int octave, unsigned length) {
    return "MLT" + std::to_string(tempo) + "O" + std::to_string(octave) + "L" + std::to_string(length);
}

}  // namespace

std::string writeBasicMelody(const Melody& melody, MelodyOutput& output) {
    NoteMelody written = noteMelody(melody, playValues);
    std::vector<unsigned> durations;
    for (const WrittenNote& note : written.notes) durations.push_back(note.length.duration);
    if (durations.empty()) {
        output.failure = "no note in the melody";
        return {};
    }
    const unsigned length = mostCommon(durations);
    int octave = 4;
    for (const WrittenNote& note : written.notes)
        if (note.midiNote != restNote) {
            octave = octaveOf(note.midiNote);
            break;
        }
    std::vector<std::string> statements = {settings(written.beatsPerMinute, octave, length)};
    for (const WrittenNote& note : written.notes) {
        std::string command;
        if (note.midiNote == restNote) {
            command = "P" + std::to_string(note.length.duration);
        } else {
            if (octaveOf(note.midiNote) != octave) {
                octave = octaveOf(note.midiNote);
                command = "O" + std::to_string(octave);
            }
            command += letters[static_cast<std::size_t>(note.midiNote % 12)];
            if (note.length.duration != length) command += std::to_string(note.length.duration);
        }
        if (note.length.dotted) command += '.';
        if (statements.back().size() + command.size() > longestStatement)
            statements.push_back(settings(written.beatsPerMinute, octave, length));
        statements.back() += command;
    }
    std::string text;
    if (endsWithIgnoringCase(output.path, ".bas")) {
        for (std::size_t index = 0; index < statements.size(); ++index)
            text += std::to_string(10 * (index + 1)) + " PLAY \"" + statements[index] + "\"\n";
    } else {
        for (const std::string& statement : statements) text += statement;
        text += '\n';
    }
    output.notices.insert(output.notices.end(), written.notices.begin(), written.notices.end());
    return text;
}
