// The music macro language of BASIC's PLAY statement: PLAY "T120 O3 L8 CDE- P8 >C4."
// Every PLAY statement of a program is read, in order, its string expression joined from
// literals and the string variables given earlier; a text without one is read whole.
// Written as a bare string, or as the lines of a program for a file ending in .bas.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "melody_import.h"
#include "note_values.h"
#include "source_text.h"

namespace {

// The string a PLAY statement plays, joined from pieces of the program: a failure names
// the place in the program that the piece came from.
// Offsets fit 32 bits: a program is at most 16 MiB and a joined string at most 64 MiB.
struct Piece {
    std::uint32_t at;      // in the joined string
    std::uint32_t source;  // in the program
};

struct StringValue {
    std::string text;
    std::vector<Piece> pieces;
};

struct PlayText : SourceText {
    std::size_t failedAt = 0;
};

std::string failAt(PlayText& source, std::size_t at, const std::string& message) {
    source.failedAt = at;
    return message;
}

std::string failHere(PlayText& source, const std::string& message) { return failAt(source, source.position, message); }

struct PlayState {
    unsigned octave = 4;
    unsigned length = 4;
    unsigned tempo = 120;  // quarter notes a minute
};

constexpr unsigned highestOctave = 6;
constexpr unsigned shortestLength = 64;
constexpr unsigned highestNote = 84;

// Octave 3 begins at Do4, the Do in the middle of the piano.
int midiNote(unsigned octave, int semitone) { return 12 * (static_cast<int>(octave) + 2) + semitone; }

double milliseconds(const PlayState& state, unsigned length, unsigned dots) {
    // Each dot lengthens the note by half of what it was, so "A.." lasts 9/4 of "A".
    return 240000.0 / state.tempo / length * std::pow(1.5, dots);
}

unsigned takeDots(PlayText& source) {
    unsigned dots = 0;
    for (skipSpaces(source); takeIf(source, '.'); skipSpaces(source)) ++dots;
    return dots;
}

// A number of the command, when it has one, within its range.
std::string takeArgument(PlayText& source, const char* command, unsigned lowest, unsigned highest,
                         std::optional<unsigned>& value) {
    skipSpaces(source);
    const std::size_t at = source.position;
    value = takeNumber(source);
    if (value && (*value < lowest || *value > highest))
        return failAt(source, at, std::string(command) + " takes " + std::to_string(lowest) + " to " +
                                       std::to_string(highest));
    return {};
}

std::string requireArgument(PlayText& source, const char* command, unsigned lowest, unsigned highest,
                            unsigned& value) {
    std::optional<unsigned> argument;
    if (std::string reason = takeArgument(source, command, lowest, highest, argument); !reason.empty())
        return reason;
    if (!argument) return failHere(source, std::string(command) + " needs a number");
    value = *argument;
    return {};
}

std::string readNoteLetter(PlayText& source, char letter, PlayState& state, MelodyBuilder& melody) {
    int semitone = semitoneOfLetter(letter);
    skipSpaces(source);
    if (takeIf(source, '#') || takeIf(source, '+')) ++semitone;
    else if (takeIf(source, '-')) --semitone;
    std::optional<unsigned> length;
    if (std::string reason = takeArgument(source, "a note's length", 1, shortestLength, length); !reason.empty())
        return reason;
    const unsigned dots = takeDots(source);
    melody.note(midiNote(state.octave, semitone), milliseconds(state, length.value_or(state.length), dots));
    return {};
}

// One command of the string at the position.
std::string readCommand(PlayText& source, PlayState& state, MelodyBuilder& melody) {
    const std::size_t at = source.position;
    const char command = static_cast<char>(std::toupper(static_cast<unsigned char>(take(source))));
    unsigned value = 0;
    std::string reason;
    switch (command) {
        case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G':
            return readNoteLetter(source, command, state, melody);
        case 'N':
            if (!(reason = requireArgument(source, "N", 0, highestNote, value)).empty()) return reason;
            if (value == 0) melody.rest(milliseconds(state, state.length, takeDots(source)));
            else melody.note(static_cast<int>(value) + 23, milliseconds(state, state.length, takeDots(source)));
            return {};
        case 'P':
            if (!(reason = requireArgument(source, "P", 1, shortestLength, value)).empty()) return reason;
            melody.rest(milliseconds(state, value, takeDots(source)));
            return {};
        case 'O': return requireArgument(source, "O", 0, highestOctave, state.octave);
        case 'L': return requireArgument(source, "L", 1, shortestLength, state.length);
        case 'T': return requireArgument(source, "T", 32, 255, state.tempo);
        case '<':
            if (state.octave > 0) --state.octave;
            return {};
        case '>':
            if (state.octave < highestOctave) ++state.octave;
            return {};
        case 'M':
            // Legato, normal and staccato shorten a note by a silence a tune file cannot hold:
            // the note keeps its whole length so the tempo stays. Foreground and background
            // change nothing in a file.
            skipSpaces(source);
            if (takeIf(source, 'L') || takeIf(source, 'N') || takeIf(source, 'S') || takeIf(source, 'F') ||
                takeIf(source, 'B'))
                return {};
            return failAt(source, at, "M must be followed by L, N, S, F or B");
        case 'X':
            return failAt(source, at, "X plays a string variable, which only the program itself knows");
        case ';':
            return {};
        default:
            return failAt(source, at, std::string("unknown command \"") + command + "\"");
    }
}

// Where each statement of the program starts, and what it says.
struct Program {
    std::string_view text;
    MelodyBuilder& melody;
    std::map<std::string, StringValue, std::less<>> variables;
    std::size_t joined = 0;  // characters of strings made so far
    PlayState state;
    bool played = false;
};

// Joining strings again and again can make more than any program plays; this much is
// far beyond a tune and keeps the work in step with the program.
constexpr std::size_t mostJoined = 64 << 20;

bool isBlank(char character) { return character == ' ' || character == '\t' || character == '\r'; }

// QuickBASIC's line continuation: an "_" that is no part of a name, with nothing after it
// on its line, joins the next line to this one. The place after it, else `at`.
std::size_t continuationEnd(std::string_view text, std::size_t at) {
    if (at >= text.size() || text[at] != '_' || (at > 0 && isNameCharacter(text[at - 1]))) return at;
    std::size_t end = at + 1;
    while (end < text.size() && isBlank(text[end])) ++end;
    if (end == text.size()) return end;
    return text[end] == '\n' ? end + 1 : at;
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    for (std::size_t joined = at; at < text.size(); at = joined) {
        if (isBlank(text[at])) joined = at + 1;
        else if ((joined = continuationEnd(text, at)) == at) break;
    }
    return at;
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& character : result) character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    return result;
}

// A name at the position, "$" included: "TUNE$", "PLAY", "X".
std::size_t nameEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && isNameCharacter(text[at])) ++at;
    if (at < text.size() && text[at] == '$') ++at;
    return at;
}

void append(StringValue& value, std::string_view text, std::size_t source) {
    value.pieces.push_back({static_cast<std::uint32_t>(value.text.size()), static_cast<std::uint32_t>(source)});
    value.text += text;
}

void append(StringValue& value, const StringValue& more) {
    for (const Piece& piece : more.pieces)
        value.pieces.push_back({static_cast<std::uint32_t>(value.text.size() + piece.at), piece.source});
    value.text += more.text;
}

// Literals and string variables joined by "+", from the position to what ends the
// expression; `at` is left after it.
std::string readExpression(Program& program, std::size_t& at, StringValue& value) {
    const std::string_view text = program.text;
    for (at = skipBlanks(text, at);; at = skipBlanks(text, at + 1)) {
        if (at < text.size() && text[at] == '"') {
            const std::size_t end = std::min({text.find('"', at + 1), text.find('\n', at + 1), text.size()});
            append(value, text.substr(at + 1, end - at - 1), at + 1);
            program.joined += end - at;
            at = end < text.size() && text[end] == '"' ? end + 1 : end;
        } else {
            const std::size_t end = nameEnd(text, at);
            if (end == at || text[end - 1] != '$' || (end < text.size() && text[end] == '('))
                return errorAt(SourceText{text}, at, "PLAY takes string literals and string variables joined by +");
            const auto variable = program.variables.find(upper(text.substr(at, end - at)));
            if (variable == program.variables.end())
                return errorAt(SourceText{text}, at,
                               "the string variable " + std::string(text.substr(at, end - at)) + " is given no value before");
            program.joined += variable->second.text.size() + variable->second.pieces.size();
            if (program.joined > mostJoined) return errorAt(SourceText{text}, at, "the PLAY strings are too long");
            append(value, variable->second);
            at = end;
        }
        at = skipBlanks(text, at);
        if (at >= text.size() || text[at] != '+') return {};
    }
}

std::size_t sourceOf(const StringValue& value, std::size_t at) {
    const auto piece = std::upper_bound(value.pieces.begin(), value.pieces.end(), at,
                                        [](std::size_t offset, const Piece& other) { return offset < other.at; });
    if (piece == value.pieces.begin()) return 0;
    return std::prev(piece)->source + (at - std::prev(piece)->at);
}

std::string play(Program& program, const StringValue& value) {
    PlayText source;
    source.text = value.text;
    for (skipSpaces(source); !atEnd(source) && !program.melody.full(); skipSpaces(source)) {
        program.melody.at(sourceOf(value, source.position));
        if (std::string reason = readCommand(source, program.state, program.melody); !reason.empty())
            return errorAt(SourceText{program.text}, sourceOf(value, source.failedAt), reason);
    }
    return {};
}

// One statement from its first word: PLAY plays its expression, NAME$ = gives it one.
std::string readStatement(Program& program, std::size_t& at) {
    const std::string_view text = program.text;
    const std::size_t end = nameEnd(text, at);
    std::string word = upper(text.substr(at, end - at));
    std::size_t after = skipBlanks(text, end);
    if (word == "LET") {
        at = skipBlanks(text, end);
        const std::size_t nameStop = nameEnd(text, at);
        word = upper(text.substr(at, nameStop - at));
        after = skipBlanks(text, nameStop);
    }
    if (word == "PLAY") {
        // PLAY ON, OFF and STOP trap the music's events: they play nothing.
        const std::string next = upper(text.substr(after, nameEnd(text, after) - after));
        if (next == "ON" || next == "OFF" || next == "STOP") return {};
        program.played = true;
        StringValue value;
        at = after;
        if (std::string reason = readExpression(program, at, value); !reason.empty()) return reason;
        return play(program, value);
    }
    if (word.ends_with('$') && after < text.size() && text[after] == '=') {
        at = after + 1;
        StringValue value;
        // Only what PLAY could use is kept: other expressions make no music.
        if (std::string reason = readExpression(program, at, value); reason.empty())
            program.variables[word] = std::move(value);
        else
            program.variables.erase(word);
    }
    return {};
}

// The statements of the program: each line's, after its number, separated by ":", and
// the ones after THEN and ELSE. A REM or "'" ends the line's statements.
std::string readProgram(Program& program) {
    const std::string_view text = program.text;
    bool statementStart = true;
    for (std::size_t at = 0; at < text.size() && !program.melody.full();) {
        const char character = text[at];
        if (character == '\n') {
            ++at;
            statementStart = true;
        } else if (isBlank(character)) {
            ++at;
        } else if (const std::size_t joined = continuationEnd(text, at); joined != at) {
            at = joined;
        } else if (character == ':') {
            ++at;
            statementStart = true;
        } else if (character == '"') {
            at = std::min(text.find_first_of("\"\n", at + 1), text.size());
            if (at < text.size() && text[at] == '"') ++at;
            statementStart = false;
        } else if (character == '\'') {
            at = std::min(text.find('\n', at), text.size());
        } else if (std::isdigit(static_cast<unsigned char>(character))) {
            // A line number, or a number within a statement: "10PLAY" is a line number and PLAY.
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
        } else if (isNameCharacter(character)) {
            const std::size_t end = nameEnd(text, at);
            const std::string word = upper(text.substr(at, end - at));
            if (word == "REM") {
                at = std::min(text.find('\n', at), text.size());
            } else if (word == "THEN" || word == "ELSE") {
                at = end;
                statementStart = true;
            } else if (statementStart) {
                if (std::string reason = readStatement(program, at); !reason.empty()) return reason;
                at = std::max(at, end);
                statementStart = false;
            } else {
                at = end;
            }
        } else {
            ++at;
            statementStart = false;
        }
    }
    return {};
}

std::string importMml(std::string_view text, MelodyBuilder& melody) {
    Program program{text, melody, {}, 0, {}, false};
    if (std::string reason = readProgram(program); !reason.empty()) return reason;
    if (program.played) return {};
    // A bare string of the language, as the collections keep them.
    StringValue whole;
    append(whole, text, 0);
    return play(program, whole);
}

Resemblance resemblesMml(std::string_view text) {
    const std::string code = upper(text);
    for (std::size_t found = code.find("PLAY"); found != std::string::npos; found = code.find("PLAY", found + 4)) {
        const std::size_t before = code.find_last_not_of(" \t\r0123456789", found == 0 ? 0 : found - 1);
        const bool starts = found == 0 || before == std::string::npos || code[before] == ':' || code[before] == '\n';
        if (starts && (found + 4 >= code.size() || !isNameCharacter(code[found + 4])))
            return Resemblance::surely;
    }
    const bool bare = !text.empty() && text.find_first_not_of("abcdefgABCDEFGnNoOlLtTpPmM<>#+-.0123456789 \t\r\n") ==
                                           std::string_view::npos;
    return bare ? Resemblance::maybe : Resemblance::none;
}

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

std::string writeBasicPlay(const Melody& melody, MelodyOutput& output) {
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
                // Appended rather than joined: GCC 12 at -O3 warns of an overlap in "O" + to_string().
                command += 'O';
                command += std::to_string(octave);
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

}  // namespace

extern const MelodyFormat mmlFormat = {
    "mml", {".mml", ".bas"}, "BASIC's PLAY statements, or a bare string \"T120 O3 L8 CDE\"", false,
    resemblesMml, importMml, writeBasicPlay,
};
