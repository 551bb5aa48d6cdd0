// Shell scripts that play tunes with the beep command: "beep -f 440 -l 200 -n -f 494".
// Each beep line runs one or more tones; a sleep between them is a rest. Plain variables
// ("A=440", "$A", "${A}") and functions of such lines, called by name, are followed.
// Written as one beep command, a -n before each tone after the first.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <vector>

#include "melody_import.h"
#include "source_text.h"

namespace {

// A word of a command as the script writes it, quotes and "$" still in it.
struct RawWord {
    std::size_t begin;
    std::size_t end;
};

using Command = std::vector<RawWord>;

// A word once its quotes are taken away and its variables put in.
struct Word {
    std::string text;
    std::size_t offset;
};

// One tone of beep with its repeats, as -n starts it afresh.
struct BeepNote {
    double frequency = 440;
    double length = 200;
    unsigned repeats = 1;
    double delay = 100;
    bool delayAfterLast = false;
};

struct Script {
    SourceText source;
    MelodyBuilder& melody;
    std::map<std::string, std::string, std::less<>> variables;
    std::map<std::string, std::vector<Command>, std::less<>> functions;
    std::size_t replayed = 0;  // bytes of function bodies read again by calls
};

constexpr double highestBeepFrequency = 20000;
constexpr double longestBeep = 300000;
constexpr unsigned mostRepeats = 1000;
// Calls read their function's lines again: this much is far beyond any tune, and keeps
// a script of many calls of a long function from running for hours.
constexpr std::size_t mostReplayed = 64 << 20;
constexpr int deepestCall = 16;

bool endsCommand(char character) {
    return character == '\n' || character == ';' || character == '&' || character == '|';
}

bool isBlank(char character) { return character == ' ' || character == '\t' || character == '\r'; }

// The words of one shell command from the position, up to ";", "&&", "|" or a line end.
Command nextCommand(SourceText& source) {
    Command words;
    while (!atEnd(source)) {
        const char next = peek(source);
        if (next == '\\' && (peek(source, 1) == '\n' || (peek(source, 1) == '\r' && peek(source, 2) == '\n'))) {
            source.position += peek(source, 1) == '\n' ? 2 : 3;
        } else if (endsCommand(next)) {
            take(source);
            if (!words.empty()) break;
        } else if (isBlank(next)) {
            take(source);
        } else if (next == '#') {
            while (!atEnd(source) && peek(source) != '\n') take(source);
        } else {
            RawWord word{source.position, 0};
            while (!atEnd(source) && !isBlank(peek(source)) && !endsCommand(peek(source))) {
                const char character = take(source);
                if (character == '\'' || character == '"') {
                    while (!atEnd(source) && peek(source) != character) {
                        if (character == '"' && peek(source) == '\\') take(source);
                        take(source);
                    }
                    take(source);
                } else if (character == '\\') {
                    take(source);
                }
            }
            word.end = source.position;
            words.push_back(word);
        }
    }
    return words;
}

// The value of "$A" or "${A}" at the position; the reason when the script's value is not known.
std::string variableAt(const Script& script, std::size_t& at, std::size_t end, std::string_view& value) {
    const std::string_view code = script.source.text;
    const std::size_t dollar = at++;
    const bool braced = at < end && code[at] == '{';
    if (braced) ++at;
    const std::size_t nameStart = at;
    while (at < end && isNameCharacter(code[at])) ++at;
    const std::string_view name = code.substr(nameStart, at - nameStart);
    const bool named = !name.empty() && !std::isdigit(static_cast<unsigned char>(name.front()));
    if (!named || (braced && (at >= end || code[at] != '}')))
        return errorAt(script.source, dollar, "beep lines take only plain variables, $NAME or ${NAME}");
    if (braced) ++at;
    const auto found = script.variables.find(name);
    if (found == script.variables.end())
        return errorAt(script.source, dollar, "the variable " + std::string(name) + " is given no value before");
    value = found->second;
    return {};
}

// The words a raw word makes: quotes taken away, variables put in, and a variable's
// value outside quotes split at its blanks, as the shell does.
std::string expand(const Script& script, RawWord raw, std::vector<Word>& words, bool split = true) {
    const std::string_view code = script.source.text;
    Word word{{}, raw.begin};
    bool started = false;  // a word is begun, even an empty one ("")
    char quote = 0;
    for (std::size_t at = raw.begin; at < raw.end;) {
        const char character = code[at];
        if (quote != '\'' && character == '$' && at + 1 < raw.end) {
            std::string_view value;
            if (std::string reason = variableAt(script, at, raw.end, value); !reason.empty()) return reason;
            for (const char valueCharacter : value) {
                if (split && quote == 0 && isBlank(valueCharacter)) {
                    if (started) words.push_back(std::move(word));
                    word = {{}, raw.begin};
                    started = false;
                } else {
                    word.text += valueCharacter;
                    started = true;
                }
            }
            continue;
        }
        ++at;
        started = true;
        if (character == quote) quote = 0;
        else if (quote == 0 && (character == '\'' || character == '"')) quote = character;
        else if (character == '\\' && quote != '\'' && at < raw.end) word.text += code[at++];
        else word.text += character;
    }
    if (started) words.push_back(std::move(word));
    return {};
}

std::string expandAll(const Script& script, const Command& command, std::size_t first, std::vector<Word>& words) {
    for (std::size_t index = first; index < command.size(); ++index)
        if (std::string reason = expand(script, command[index], words); !reason.empty()) return reason;
    return {};
}

std::string_view rawText(const Script& script, RawWord word) {
    return script.source.text.substr(word.begin, word.end - word.begin);
}

bool isCommand(std::string_view word, std::string_view name) {
    return word == name || (word.size() > name.size() && word.ends_with(name) && word[word.size() - name.size() - 1] == '/');
}

std::optional<double> decimalIn(const std::string& text) {
    SourceText source{text};
    const std::optional<double> value = takeDecimal(source);
    if (!value || !atEnd(source)) return std::nullopt;
    return value;
}

void addNote(const BeepNote& note, MelodyBuilder& melody) {
    for (unsigned repeat = 0; repeat < note.repeats && !melody.full(); ++repeat) {
        melody.tone(note.frequency, note.length);
        if (note.delayAfterLast || repeat + 1 < note.repeats) melody.rest(note.delay);
    }
}

// The value of an option: "-f 440", "-f440" or "--freq=440".
struct OptionValue {
    std::string text;
    std::size_t offset;
};

std::string readBeep(const SourceText& source, const std::vector<Word>& words, MelodyBuilder& melody) {
    BeepNote note;
    for (std::size_t index = 0; index < words.size(); ++index) {
        const Word& word = words[index];
        const std::string& option = word.text;
        if (option == "-n" || option == "--new") {
            addNote(note, melody);
            melody.at(word.offset);
            note = BeepNote{};
            continue;
        }
        if (option == "--verbose" || option == "--debug") continue;
        char letter = 0;
        OptionValue value{{}, word.offset};
        if (option.size() >= 2 && option[0] == '-' && option[1] != '-') {
            letter = option[1];
            if (option.size() > 2) value = {option.substr(2), word.offset + 2};
        } else if (option.starts_with("--")) {
            const std::size_t equals = option.find('=');
            const std::string name = option.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            if (name == "freq") letter = 'f';
            else if (name == "length") letter = 'l';
            else if (name == "reps") letter = 'r';
            else if (name == "delay") letter = 'd';
            else if (name == "delayafter") letter = 'D';
            else if (name == "device") letter = 'e';
            if (equals != std::string::npos) value = {option.substr(equals + 1), word.offset + equals + 1};
        }
        if (letter == 0 || std::string_view("flrdDe").find(letter) == std::string_view::npos)
            return errorAt(source, word.offset, "beep has no option " + option);
        if (value.text.empty()) {
            if (index + 1 == words.size()) return errorAt(source, word.offset, "option " + option + " needs a value");
            value = {words[index + 1].text, words[index + 1].offset};
            ++index;
        }
        if (letter == 'e') continue;
        const std::optional<double> number = decimalIn(value.text);
        if (!number) return errorAt(source, value.offset, "expected a number, found \"" + value.text + "\"");
        switch (letter) {
            case 'f':
                if (*number > highestBeepFrequency) return errorAt(source, value.offset, "-f takes 0 to 20000 Hz");
                note.frequency = *number;
                break;
            case 'l':
                if (*number > longestBeep) return errorAt(source, value.offset, "-l takes 0 to 300000 ms");
                note.length = *number;
                break;
            case 'r':
                if (*number < 1 || *number > mostRepeats || *number != std::floor(*number))
                    return errorAt(source, value.offset, "-r takes 1 to 1000 repeats");
                note.repeats = static_cast<unsigned>(*number);
                break;
            default:
                if (*number > longestBeep) return errorAt(source, value.offset, "-d and -D take 0 to 300000 ms");
                note.delay = *number;
                note.delayAfterLast = letter == 'D';
        }
    }
    addNote(note, melody);
    return {};
}

// "sleep 0.5", "sleep 1s", "sleep 2m": a rest of that many seconds.
std::string readSleep(const SourceText& source, const std::vector<Word>& words, MelodyBuilder& melody) {
    for (const Word& word : words) {
        std::string text = word.text;
        const double unit = text.ends_with('m') ? 60000 : 1000;
        if (text.ends_with('m') || text.ends_with('s')) text.pop_back();
        const std::optional<double> seconds = decimalIn(text);
        if (!seconds || *seconds * unit > longestBeep)
            return errorAt(source, word.offset, "expected a sleep of up to 300 seconds");
        melody.at(word.offset);
        melody.rest(*seconds * unit);
    }
    return {};
}

// "A=440": a name, "=" and a value, with nothing before the "=" that a name cannot hold.
bool isAssignment(std::string_view word) {
    const std::size_t equals = word.find('=');
    return equals != std::string_view::npos && equals > 0 && !std::isdigit(static_cast<unsigned char>(word[0])) &&
           std::all_of(word.begin(), word.begin() + static_cast<std::ptrdiff_t>(equals), isNameCharacter);
}

// "name()", "name ()" or "function name": the function's name, else empty.
std::string_view definedFunction(const Script& script, const Command& command, std::size_t& bodyFrom) {
    const std::string_view first = rawText(script, command[0]);
    if (first == "function" && command.size() > 1) {
        bodyFrom = command.size() > 2 && rawText(script, command[2]) == "()" ? 3 : 2;
        const std::string_view name = rawText(script, command[1]);
        return name.ends_with("()") ? name.substr(0, name.size() - 2) : name;
    }
    if (first.size() > 2 && first.ends_with("()")) {
        bodyFrom = 1;
        return first.substr(0, first.size() - 2);
    }
    if (command.size() > 1 && rawText(script, command[1]) == "()") {
        bodyFrom = 2;
        return first;
    }
    return {};
}

// The body's lines up to its "}", the first given by the rest of the defining line.
std::string readFunction(Script& script, const Command& header, std::size_t bodyFrom, std::string_view name) {
    Command first = bodyFrom < header.size()
                        ? Command(header.begin() + static_cast<std::ptrdiff_t>(bodyFrom), header.end())
                        : nextCommand(script.source);
    if (first.empty() || rawText(script, first[0]) != "{")
        return errorAt(script.source, header[0].begin, "beep lines take only functions in braces, name() { ... }");
    first.erase(first.begin());
    std::vector<Command> body;
    for (Command command = first;; command = nextCommand(script.source)) {
        if (command.empty()) {
            if (atEnd(script.source)) return errorAt(script.source, header[0].begin, "a function without its \"}\"");
            continue;
        }
        if (rawText(script, command[0]) == "}") break;
        body.push_back(std::move(command));
    }
    script.functions[std::string(name)] = std::move(body);
    return {};
}

std::string run(Script& script, const Command& command, int depth);

std::string call(Script& script, const std::vector<Command>& body, std::size_t calledAt, int depth) {
    if (depth >= deepestCall) return errorAt(script.source, calledAt, "functions call each other too deep");
    for (const Command& command : body) {
        script.replayed += command.back().end - command.front().begin;
        if (script.replayed > mostReplayed) return errorAt(script.source, calledAt, "the functions are called too often");
        if (std::string reason = run(script, command, depth + 1); !reason.empty()) return reason;
    }
    return {};
}

// What may stand before a command that still runs it once, in order.
bool isPrefix(std::string_view word) { return word == "sudo" || word == "exec" || word == "then" || word == "else"; }

std::string run(Script& script, const Command& command, int depth) {
    std::size_t first = 0;
    while (first < command.size() && isPrefix(rawText(script, command[first]))) ++first;
    if (first == command.size()) return {};
    const std::string_view name = rawText(script, command[first]);
    // A loop's body runs as often as the shell counts, which the script's text does not say.
    if (name == "do" && first + 1 < command.size() &&
        (isCommand(rawText(script, command[first + 1]), "beep") ||
         script.functions.contains(rawText(script, command[first + 1]))))
        return errorAt(script.source, command[first].begin, "a beep in a loop: how often it plays is not in the text");
    if (isCommand(name, "beep") || isCommand(name, "sleep")) {
        std::vector<Word> words;
        if (std::string reason = expandAll(script, command, first + 1, words); !reason.empty()) return reason;
        script.melody.at(command[first].begin);
        return isCommand(name, "beep") ? readBeep(script.source, words, script.melody)
                                       : readSleep(script.source, words, script.melody);
    }
    if (const auto function = script.functions.find(name); function != script.functions.end())
        return call(script, function->second, command[first].begin, depth);
    const std::size_t assigned = first + (name == "export" || name == "local" || name == "readonly" ? 1 : 0);
    if (assigned < command.size() && isAssignment(rawText(script, command[assigned]))) {
        for (std::size_t index = assigned; index < command.size(); ++index) {
            const std::string_view raw = rawText(script, command[index]);
            if (!isAssignment(raw)) break;
            const std::size_t equals = raw.find('=');
            std::vector<Word> value;
            const RawWord valueWord{command[index].begin + equals + 1, command[index].end};
            if (std::string reason = expand(script, valueWord, value, false); !reason.empty()) return reason;
            script.variables[std::string(raw.substr(0, equals))] = value.empty() ? std::string() : value[0].text;
        }
    }
    // Other commands of the script make no sound.
    return {};
}

std::string importBeep(std::string_view text, MelodyBuilder& melody) {
    Script script{{text}, melody, {}, {}};
    while (!atEnd(script.source) && !melody.full()) {
        const Command command = nextCommand(script.source);
        if (command.empty()) continue;
        std::size_t bodyFrom = 0;
        if (const std::string_view name = definedFunction(script, command, bodyFrom); !name.empty()) {
            if (std::string reason = readFunction(script, command, bodyFrom, name); !reason.empty()) return reason;
            continue;
        }
        if (std::string reason = run(script, command, 0); !reason.empty()) return reason;
    }
    return {};
}

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    return line;
}

// A line that runs beep: "beep ...", "/usr/bin/beep ...", "sudo beep ...", "then beep ...".
bool runsBeep(std::string_view line) {
    for (std::string_view prefix : {"{", "sudo ", "exec ", "then ", "else ", "do "})
        if (line.starts_with(prefix)) line = trimmed(line.substr(prefix.size()));
    const std::string_view command = line.substr(0, line.find_first_of(" \t;&|"));
    return isCommand(command, "beep");
}

Resemblance resemblesBeep(std::string_view text) {
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\n;&|", start), text.size());
        if (runsBeep(trimmed(text.substr(start, end - start)))) return Resemblance::surely;
        start = end + 1;
    }
    return Resemblance::none;
}

// A rest is beep's delay after the tone before it; one before the first tone is left out.
// beep takes lengths and delays of five minutes at most, and tones to 20000 Hz.
std::string writeBeep(const Melody& melody, MelodyOutput& output) {
    constexpr long longestBeep = 300000;
    TonesAndPauses split = tonesAndPauses(melody, output);
    if (split.leadingRest > 0)
        output.notices.push_back("the rest before the first tone left out: beep waits only after a tone");
    std::size_t shortened = 0;
    for (std::size_t index = 0; index < split.records.size(); ++index) {
        if (split.records[index].duration > longestBeep || split.pausesAfter[index] > longestBeep) ++shortened;
        split.records[index].duration = std::min<DWORD>(split.records[index].duration, longestBeep);
        split.pausesAfter[index] = std::min(split.pausesAfter[index], longestBeep);
    }
    if (shortened > 0)
        output.notices.push_back(counted(shortened, "tone", "tones") +
                                 " or the silence after cut to beep's 300000 ms");
    moveDownInto(split.records, [](DWORD hertz) { return hertz <= 20000; }, "beep's 20000 Hz", output);
    std::string script = "#!/bin/sh\nbeep";
    for (std::size_t index = 0; index < split.records.size(); ++index) {
        script += index == 0 ? " " : " \\\n  -n ";
        script += "-f " + std::to_string(split.records[index].frequency) + " -l " +
                  std::to_string(split.records[index].duration);
        if (split.pausesAfter[index] > 0) script += " -D " + std::to_string(split.pausesAfter[index]);
    }
    return script + "\n";
}

}  // namespace

extern const MelodyFormat beepFormat = {
    "beep", {".sh", ".beep"}, "shell lines that run beep: \"beep -f 440 -l 200 -n -f 494\"", false, resemblesBeep,
    importBeep, writeBeep,
};
