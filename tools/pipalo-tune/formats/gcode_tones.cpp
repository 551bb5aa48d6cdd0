// 3D printers' G-code tones: "M300 S<Hz> P<ms>" sounds the buzzer, a silence of S0 or a
// dwell "G4 P<ms>" is a rest; the other lines of a print's G-code are passed over.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <set>

#include "melody_import.h"
#include "source_text.h"

namespace {

// Marlin's defaults and its limit on one tone's length.
constexpr double defaultHertz = 260;
constexpr double defaultMilliseconds = 1000;
constexpr double longestTone = 5000;
constexpr std::size_t commandsNamed = 8;

struct Command {
    std::string name;  // "M300", "G4", or the first word of another line
    // The last S and P given, as the firmware takes them; the others change no tone.
    std::optional<double> s, p;
    std::string failure;
};

bool isCommentStart(char character) { return character == ';' || character == '('; }

// A line's command and its parameters, without the line number, the checksum and comments.
Command readCommand(SourceText& line) {
    Command command;
    skipSpaces(line);
    if (std::toupper(static_cast<unsigned char>(peek(line))) == 'N' &&
        std::isdigit(static_cast<unsigned char>(peek(line, 1)))) {
        take(line);
        takeNumber(line);
        skipSpaces(line);
    }
    // A G or M code is its letter and number, with or without a space before its parameters
    // ("M300S440P200"); another command (a firmware's macro) is its whole first word.
    const bool coded = std::isalpha(static_cast<unsigned char>(peek(line))) &&
                       std::isdigit(static_cast<unsigned char>(peek(line, 1)));
    while (!atEnd(line) && !std::isspace(static_cast<unsigned char>(peek(line))) && !isCommentStart(peek(line)) &&
           peek(line) != '*' && (!coded || command.name.empty() || std::isdigit(static_cast<unsigned char>(peek(line)))))
        command.name += static_cast<char>(std::toupper(static_cast<unsigned char>(take(line))));
    // G04 and G4 are one command.
    if (command.name.size() > 1 && std::isalpha(static_cast<unsigned char>(command.name[0]))) {
        const std::size_t digits = command.name.find_first_not_of('0', 1);
        if (digits != std::string::npos && digits > 1) command.name.erase(1, digits - 1);
    }
    if (command.name != "M300" && command.name != "G4") return command;
    for (skipSpaces(line); !atEnd(line) && !isCommentStart(peek(line)) && peek(line) != '*'; skipSpaces(line)) {
        const std::size_t at = line.position;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(take(line))));
        const std::optional<double> value = takeDecimal(line);
        if (!std::isalpha(static_cast<unsigned char>(letter)) || !value) {
            command.failure = errorAt(line, at, "expected a parameter such as S440 or P200 after " + command.name);
            return command;
        }
        if (letter == 'S') command.s = value;
        if (letter == 'P') command.p = value;
    }
    return command;
}

std::string readGcode(std::string_view content, MelodyBuilder& melody) {
    std::set<std::string> passedOver;
    std::size_t linesPassedOver = 0;
    std::size_t tonesCut = 0;
    for (std::size_t from = 0; from < content.size() && !melody.full();) {
        const std::size_t to = std::min(content.find('\n', from), content.size());
        SourceText line{content, from, to};
        melody.at(from);
        const Command command = readCommand(line);
        if (!command.failure.empty()) return command.failure;
        if (command.name == "M300") {
            double milliseconds = command.p.value_or(defaultMilliseconds);
            if (milliseconds > longestTone) {
                milliseconds = longestTone;
                ++tonesCut;
            }
            melody.tone(command.s.value_or(defaultHertz), milliseconds);
        } else if (command.name == "G4") {
            // A dwell in seconds wins over one in milliseconds, as the firmware reads it.
            melody.rest(command.s ? *command.s * 1000 : command.p.value_or(0));
        } else if (!command.name.empty()) {
            ++linesPassedOver;
            if (passedOver.size() < commandsNamed) passedOver.insert(command.name);
        }
        from = to + 1;
    }
    if (linesPassedOver > 0) {
        std::string names;
        for (const std::string& name : passedOver) names += (names.empty() ? "" : ", ") + name;
        melody.notice(counted(linesPassedOver, "line", "lines") +
                      " that play no tone passed over: " + names + (linesPassedOver > passedOver.size() ? ", ..." : ""));
    }
    if (tonesCut > 0)
        melody.notice(counted(tonesCut, "tone", "tones") +
                      " cut to 5000 ms, the longest the printer plays");
    return {};
}

Resemblance resemblesGcode(std::string_view content) {
    for (std::size_t from = 0; from < content.size();) {
        const std::size_t to = std::min(content.find('\n', from), content.size());
        SourceText line{content, from, to};
        if (readCommand(line).name == "M300") return Resemblance::surely;
        from = to + 1;
    }
    return Resemblance::none;
}

// Rests are silent tones rather than dwells: a printer queues its tones, and a dwell
// would start while the tones before it still sound.
std::string writeGcode(const Melody& written, MelodyOutput& output) {
    const Melody melody = raisedToLowestTone(written, output);
    const std::vector<long> lengths = wholeMilliseconds(melody);
    std::string text = "; " + output.name + ": M300 S<Hz> P<ms> sounds a tone, S0 is a rest\n";
    bool toneWritten = false;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        const long hertz = std::lround(melody[index].frequency);
        toneWritten = toneWritten || (hertz > 0 && lengths[index] > 0);
        for (long left = lengths[index]; left > 0; left -= static_cast<long>(longestTone))
            text += "M300 S" + std::to_string(hertz) + " P" +
                    std::to_string(std::min(left, static_cast<long>(longestTone))) + "\n";
    }
    if (!toneWritten) output.failure = noToneWritten;
    return text;
}

}  // namespace

extern const MelodyFormat gcodeFormat = {
    "gcode", {".gcode", ".gco", ".g"}, "3D printers' tones: \"M300 S440 P200\", \"G4 P100\" a rest", false,
    resemblesGcode, readGcode, writeGcode,
};
