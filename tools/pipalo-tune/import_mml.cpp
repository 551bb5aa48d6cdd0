// The music macro language of BASIC's PLAY statement: PLAY "T120 O3 L8 CDE- P8 >C4."
// Every PLAY "..." of a program is read, in order; a text without one is read whole.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "melody_import.h"
#include "source_text.h"

namespace {

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

unsigned takeDots(SourceText& source) {
    unsigned dots = 0;
    for (skipSpaces(source); takeIf(source, '.'); skipSpaces(source)) ++dots;
    return dots;
}

// A number of the command, when it has one, within its range.
std::string takeArgument(SourceText& source, const char* command, unsigned lowest, unsigned highest,
                         std::optional<unsigned>& value) {
    skipSpaces(source);
    const std::size_t at = source.position;
    value = takeNumber(source);
    if (value && (*value < lowest || *value > highest))
        return errorAt(source, at, std::string(command) + " takes " + std::to_string(lowest) + " to " +
                                       std::to_string(highest));
    return {};
}

std::string requireArgument(SourceText& source, const char* command, unsigned lowest, unsigned highest,
                            unsigned& value) {
    std::optional<unsigned> argument;
    if (std::string reason = takeArgument(source, command, lowest, highest, argument); !reason.empty())
        return reason;
    if (!argument) return errorAt(source, std::string(command) + " needs a number");
    value = *argument;
    return {};
}

std::string readNoteLetter(SourceText& source, char letter, PlayState& state, const ImportOptions& options,
                           Melody& melody) {
    constexpr std::array<int, 7> fromA = {9, 11, 0, 2, 4, 5, 7};
    int semitone = fromA[static_cast<std::size_t>(letter - 'A')];
    skipSpaces(source);
    if (takeIf(source, '#') || takeIf(source, '+')) ++semitone;
    else if (takeIf(source, '-')) --semitone;
    std::optional<unsigned> length;
    if (std::string reason = takeArgument(source, "a note's length", 1, shortestLength, length); !reason.empty())
        return reason;
    const unsigned dots = takeDots(source);
    melody.push_back({pitchFrequency(midiNote(state.octave, semitone), options),
                      milliseconds(state, length.value_or(state.length), dots)});
    return {};
}

// One command of the string at the position.
std::string readCommand(SourceText& source, PlayState& state, const ImportOptions& options, Melody& melody) {
    const std::size_t at = source.position;
    const char command = static_cast<char>(std::toupper(static_cast<unsigned char>(take(source))));
    unsigned value = 0;
    std::string reason;
    switch (command) {
        case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G':
            return readNoteLetter(source, command, state, options, melody);
        case 'N':
            if (!(reason = requireArgument(source, "N", 0, highestNote, value)).empty()) return reason;
            melody.push_back({value == 0 ? restFrequency : pitchFrequency(static_cast<int>(value) + 23, options),
                              milliseconds(state, state.length, takeDots(source))});
            return {};
        case 'P':
            if (!(reason = requireArgument(source, "P", 1, shortestLength, value)).empty()) return reason;
            melody.push_back({restFrequency, milliseconds(state, value, takeDots(source))});
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
            return errorAt(source, at, "M must be followed by L, N, S, F or B");
        case 'X':
            return errorAt(source, at, "X plays a string variable, which only the program itself knows");
        case ';':
            return {};
        default:
            return errorAt(source, at, std::string("unknown command \"") + command + "\"");
    }
}

using TextRange = std::pair<std::size_t, std::size_t>;

bool isNameCharacter(char character) { return std::isalnum(static_cast<unsigned char>(character)) || character == '_'; }

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    return at;
}

// The string literal that begins at the quote, to its closing quote or the line's end.
TextRange literalAt(std::string_view text, std::size_t quote) {
    return {quote + 1, std::min({text.find('"', quote + 1), text.find('\n', quote + 1), text.size()})};
}

// The string last given to the variable ("TUNE$ = ..." before `before`), if any.
std::optional<TextRange> assignedString(std::string_view text, const std::string& upper, const std::string& name,
                                        std::size_t before) {
    for (std::size_t found = upper.rfind(name, before); found != std::string::npos;
         found = found == 0 ? std::string::npos : upper.rfind(name, found - 1)) {
        if (found > 0 && isNameCharacter(upper[found - 1])) continue;
        std::size_t at = skipBlanks(text, found + name.size());
        if (at >= text.size() || text[at] != '=') continue;
        at = skipBlanks(text, at + 1);
        if (at < text.size() && text[at] == '"') return literalAt(text, at);
    }
    return std::nullopt;
}

// The strings of the text's PLAY statements, literals or variables given a literal
// earlier and joined by "+"; or the whole text when it has no PLAY.
std::vector<TextRange> playStrings(std::string_view text) {
    std::vector<TextRange> strings;
    std::string upper(text);
    for (char& character : upper) character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    for (std::size_t found = upper.find("PLAY"); found != std::string::npos; found = upper.find("PLAY", found + 4)) {
        if (found > 0 && isNameCharacter(upper[found - 1])) continue;
        for (std::size_t at = skipBlanks(text, found + 4); at < text.size(); at = skipBlanks(text, at + 1)) {
            if (text[at] == '"') {
                strings.push_back(literalAt(text, at));
                at = std::min(strings.back().second, text.size() - 1);
            } else {
                std::size_t nameEnd = at;
                while (nameEnd < text.size() && isNameCharacter(text[nameEnd])) ++nameEnd;
                if (nameEnd == at || nameEnd >= text.size() || text[nameEnd] != '$') break;
                if (const auto assigned = assignedString(text, upper, upper.substr(at, nameEnd + 1 - at), found))
                    strings.push_back(*assigned);
                at = nameEnd;
            }
            at = skipBlanks(text, at + 1);
            if (at >= text.size() || text[at] != '+') break;
        }
    }
    if (strings.empty()) strings.emplace_back(0, text.size());
    return strings;
}

}  // namespace

std::string importMml(std::string_view text, const ImportOptions& options, Melody& melody) {
    PlayState state;
    for (const auto& [begin, end] : playStrings(text)) {
        SourceText source{text, begin, end};
        for (skipSpaces(source); !atEnd(source); skipSpaces(source)) {
            if (std::string reason = readCommand(source, state, options, melody); !reason.empty()) return reason;
            if (melody.size() > longestMelody) return errorAt(source, "the melody is too long");
        }
    }
    return {};
}
