// Arduino sketches that play a melody: a NOTE_xx array (the names of pitches.h) with
// a duration array or with durations between the notes, or plain tone(pin, f, ms) calls.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "melody_import.h"
#include "source_text.h"

namespace {

struct Element {
    std::string text;
    std::size_t offset;
};

struct Array {
    std::string name;
    std::size_t offset;
    std::vector<Element> elements;
};

constexpr double defaultWholeNote = 2000;  // 120 quarter notes a minute

bool isIdentifierCharacter(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) || character == '_';
}

std::string lowerCase(std::string text) {
    for (char& character : text) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return text;
}

// The text with its comments and strings blanked, so that offsets stay where they were.
std::string codeOnly(std::string_view text) {
    std::string code(text);
    for (std::size_t index = 0; index < code.size(); ++index) {
        if (code.compare(index, 2, "//") == 0) {
            for (; index < code.size() && code[index] != '\n'; ++index) code[index] = ' ';
        } else if (code.compare(index, 2, "/*") == 0) {
            const std::size_t end = std::min(code.find("*/", index + 2), code.size() - 2) + 2;
            for (; index < end; ++index)
                if (code[index] != '\n') code[index] = ' ';
            --index;
        } else if (code[index] == '"' || code[index] == '\'') {
            const char quote = code[index];
            for (++index; index < code.size() && code[index] != quote && code[index] != '\n'; ++index)
                code[index] = ' ';
        }
    }
    return code;
}

std::string_view trimmed(std::string_view text, std::size_t& offset) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
        ++offset;
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// The parts of a list between commas at its own level, "(" or "{" to its matching one.
std::vector<Element> listElements(const std::string& code, std::size_t begin, std::size_t end) {
    std::vector<Element> elements;
    int depth = 0;
    std::size_t start = begin;
    for (std::size_t index = begin; index <= end; ++index) {
        const char character = index < end ? code[index] : ',';
        if (character == '(' || character == '{' || character == '[') ++depth;
        else if (character == ')' || character == '}' || character == ']') --depth;
        else if (character == ',' && depth == 0) {
            std::size_t offset = start;
            const std::string_view element = trimmed(std::string_view(code).substr(start, index - start), offset);
            if (!element.empty()) elements.push_back({std::string(element), offset});
            start = index + 1;
        }
    }
    return elements;
}

// The position after the bracket matching the one at `open`, or npos.
std::size_t matching(const std::string& code, std::size_t open, char opening, char closing) {
    int depth = 0;
    for (std::size_t index = open; index < code.size(); ++index) {
        if (code[index] == opening) ++depth;
        else if (code[index] == closing && --depth == 0) return index;
    }
    return std::string::npos;
}

std::size_t skipBack(const std::string& code, std::size_t index) {
    while (index > 0 && std::isspace(static_cast<unsigned char>(code[index - 1]))) --index;
    return index;
}

// "name[] = {", "name[N] PROGMEM = {": every array given its values.
std::vector<Array> arrays(const std::string& code) {
    std::vector<Array> found;
    for (std::size_t brace = code.find('{'); brace != std::string::npos; brace = code.find('{', brace + 1)) {
        std::size_t index = skipBack(code, brace);
        if (index == 0 || code[index - 1] != '=') continue;
        index = skipBack(code, index - 1);
        if (index >= 7 && code.compare(index - 7, 7, "PROGMEM") == 0)
            index = skipBack(code, index - 7);
        if (index == 0 || code[index - 1] != ']') continue;
        const std::size_t open = code.rfind('[', index - 1);
        if (open == std::string::npos) continue;
        const std::size_t nameEnd = skipBack(code, open);
        std::size_t nameStart = nameEnd;
        while (nameStart > 0 && isIdentifierCharacter(code[nameStart - 1])) --nameStart;
        const std::size_t close = matching(code, brace, '{', '}');
        if (nameStart == nameEnd || close == std::string::npos) continue;
        found.push_back({code.substr(nameStart, nameEnd - nameStart), nameStart, listElements(code, brace + 1, close)});
    }
    return found;
}

// The MIDI note of "NOTE_C4" or "NOTE_CS4", pitches.h's names; -1 for another text.
int namedNote(std::string_view name) {
    constexpr std::string_view letters = "CDEFGAB";
    constexpr int fromC[] = {0, 2, 4, 5, 7, 9, 11};
    if (!name.starts_with("NOTE_") || name.size() < 7) return -1;
    const std::size_t letter = letters.find(name[5]);
    if (letter == std::string_view::npos) return -1;
    std::size_t next = 6;
    int semitone = fromC[letter];
    if (name[next] == 'S') {
        ++semitone;
        ++next;
    }
    if (next + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[next]))) return -1;
    return 12 * (name[next] - '0' + 1) + semitone;
}

bool isRest(std::string_view text) { return text == "REST" || text == "0"; }

std::optional<double> numberIn(std::string_view text) {
    char* end = nullptr;
    const std::string number(text);
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !(value > -1e7 && value < 1e7))
        return std::nullopt;
    return value;
}

// The frequency an element of a note array names: NOTE_xx, REST, 0 or hertz.
std::string frequencyOf(const SourceText& source, const Element& element, const ImportOptions& options,
                        double& frequency) {
    if (const int note = namedNote(element.text); note >= 0) {
        frequency = pitchFrequency(note, options);
        return {};
    }
    if (element.text == "REST") {
        frequency = restFrequency;
        return {};
    }
    const std::optional<double> hertz = numberIn(element.text);
    if (!hertz || *hertz < 0 || *hertz > 65535)
        return errorAt(source, element.offset, "expected a NOTE_ name, REST or a frequency, found " + element.text);
    frequency = *hertz;
    return {};
}

bool namesNotes(const Array& array) {
    return std::any_of(array.elements.begin(), array.elements.end(),
                       [](const Element& element) { return namedNote(element.text) >= 0; });
}

bool allNumbers(const Array& array) {
    return !array.elements.empty() && std::all_of(array.elements.begin(), array.elements.end(),
                                                  [](const Element& element) { return numberIn(element.text); });
}

bool nameHas(const Array& array, std::initializer_list<const char*> parts) {
    const std::string name = lowerCase(array.name);
    return std::any_of(parts.begin(), parts.end(),
                       [&](const char* part) { return name.find(part) != std::string::npos; });
}

// An int variable's value given where it is declared: "int tempo = 140;".
std::optional<double> variable(const std::string& code, const char* name) {
    const std::string lowerCode = lowerCase(code);
    for (std::size_t found = lowerCode.find(name); found != std::string::npos;
         found = lowerCode.find(name, found + 1)) {
        std::size_t index = found + std::string_view(name).size();
        if ((found > 0 && isIdentifierCharacter(code[found - 1])) || isIdentifierCharacter(code[index])) continue;
        while (index < code.size() && std::isspace(static_cast<unsigned char>(code[index]))) ++index;
        if (index >= code.size() || code[index] != '=' || code.compare(index, 2, "==") == 0) continue;
        const std::size_t end = code.find_first_of(";,)\n", index + 1);
        std::size_t offset = index + 1;
        if (const std::optional<double> value = numberIn(trimmed(std::string_view(code).substr(
                index + 1, (end == std::string::npos ? code.size() : end) - index - 1), offset)))
            return value;
    }
    return std::nullopt;
}

// The length of a whole note when durations are divisors ("1000 / noteDurations[i]"), or
// nothing when they are milliseconds.
std::optional<double> wholeNoteFor(const std::string& code, const Array& durations) {
    for (std::size_t found = code.find(durations.name); found != std::string::npos;
         found = code.find(durations.name, found + 1)) {
        std::size_t slash = skipBack(code, found);
        if (slash == 0 || code[slash - 1] != '/') continue;
        const std::size_t numeratorEnd = skipBack(code, slash - 1);
        std::size_t numeratorStart = numeratorEnd;
        while (numeratorStart > 0 &&
               (isIdentifierCharacter(code[numeratorStart - 1]) || code[numeratorStart - 1] == '.'))
            --numeratorStart;
        const std::string numerator = code.substr(numeratorStart, numeratorEnd - numeratorStart);
        if (const std::optional<double> value = numberIn(numerator); value && *value > 0) return value;
        if (const std::optional<double> tempo = variable(code, "tempo"); tempo && *tempo > 0) return 240000 / *tempo;
        return defaultWholeNote / 2;  // the 1000 of the Arduino example
    }
    return std::nullopt;
}

std::string readArrays(const SourceText& source, const std::string& code, const std::vector<Array>& found,
                       std::size_t notesIndex, const ImportOptions& options, Melody& melody) {
    const Array& notes = found[notesIndex];
    const bool interleaved = namesNotes(notes) && notes.elements.size() % 2 == 0 && [&] {
        for (std::size_t index = 0; index < notes.elements.size(); index += 2)
            if (!(namedNote(notes.elements[index].text) >= 0 || isRest(notes.elements[index].text)) ||
                !numberIn(notes.elements[index + 1].text))
                return false;
        return true;
    }();
    if (interleaved) {
        const std::optional<double> tempo = variable(code, "tempo");
        const double wholeNote = tempo && *tempo > 0 ? 240000 / *tempo : defaultWholeNote;
        for (std::size_t index = 0; index < notes.elements.size(); index += 2) {
            double frequency = 0;
            if (std::string reason = frequencyOf(source, notes.elements[index], options, frequency); !reason.empty())
                return reason;
            const double divider = *numberIn(notes.elements[index + 1].text);
            // A negative divider is a dotted note.
            if (divider == 0) return errorAt(source, notes.elements[index + 1].offset, "a note's length of 0");
            melody.push_back({frequency, wholeNote / std::abs(divider) * (divider < 0 ? 1.5 : 1)});
        }
        return {};
    }
    const Array* durations = nullptr;
    for (std::size_t index = 0; index < found.size(); ++index) {
        if (index == notesIndex || !allNumbers(found[index])) continue;
        if (!durations || (nameHas(found[index], {"dur", "len", "time", "beat"}) &&
                           !nameHas(*durations, {"dur", "len", "time", "beat"})))
            durations = &found[index];
    }
    if (!durations) return errorAt(source, notes.offset, "no array of durations for the notes of " + notes.name);
    const std::optional<double> wholeNote = wholeNoteFor(code, *durations);
    const std::size_t count = std::min(notes.elements.size(), durations->elements.size());
    for (std::size_t index = 0; index < count; ++index) {
        double frequency = 0;
        if (std::string reason = frequencyOf(source, notes.elements[index], options, frequency); !reason.empty())
            return reason;
        const double value = *numberIn(durations->elements[index].text);
        if (value <= 0 || value > 1e6)
            return errorAt(source, durations->elements[index].offset, "a duration must be above 0");
        melody.push_back({frequency, wholeNote ? *wholeNote / value : value});
    }
    return {};
}

// Where the calls have got to: the sketch's clock, moved on by delay(), and the tone sounding.
struct Timeline {
    double now = 0;
    double written = 0;  // the melody reaches this far
    double toneFrequency = restFrequency;
    double toneStart = 0;
    double toneEnd = -1;  // -1 while the tone has no end of its own
    bool toneOn = false;
};

void endTone(Timeline& timeline, Melody& melody) {
    if (!timeline.toneOn) return;
    timeline.toneOn = false;
    const double end = timeline.toneEnd < 0 ? timeline.now : std::min(timeline.toneEnd, timeline.now);
    if (end <= timeline.toneStart) return;
    if (timeline.toneStart > timeline.written) melody.push_back({restFrequency, timeline.toneStart - timeline.written});
    melody.push_back({timeline.toneFrequency, end - timeline.toneStart});
    timeline.written = end;
}

std::string readCalls(const SourceText& source, const std::string& code, const ImportOptions& options,
                      Melody& melody) {
    Timeline timeline;
    for (std::size_t index = 0; index < code.size(); ++index) {
        const bool startsName = std::isalpha(static_cast<unsigned char>(code[index])) &&
                                (index == 0 || !isIdentifierCharacter(code[index - 1]));
        if (!startsName) continue;
        std::size_t nameEnd = index;
        while (nameEnd < code.size() && isIdentifierCharacter(code[nameEnd])) ++nameEnd;
        const std::string name = code.substr(index, nameEnd - index);
        std::size_t open = nameEnd;
        while (open < code.size() && std::isspace(static_cast<unsigned char>(code[open]))) ++open;
        index = nameEnd - 1;
        if (open >= code.size() || code[open] != '(' || (name != "tone" && name != "noTone" && name != "delay"))
            continue;
        const std::size_t close = matching(code, open, '(', ')');
        if (close == std::string::npos) return errorAt(source, open, "a call without its \")\"");
        const std::vector<Element> arguments = listElements(code, open + 1, close);
        index = close;
        if (name == "noTone") {
            endTone(timeline, melody);
            continue;
        }
        const std::size_t wanted = name == "delay" ? 1 : 2;
        if (arguments.size() < wanted) return errorAt(source, open, name + " needs more arguments");
        std::vector<double> values;
        for (std::size_t argument = name == "delay" ? 0 : 1; argument < arguments.size(); ++argument) {
            double value = 0;
            if (argument == 1 && name == "tone") {
                if (std::string reason = frequencyOf(source, arguments[argument], options, value); !reason.empty())
                    return reason;
            } else if (const std::optional<double> number = numberIn(arguments[argument].text);
                       number && *number >= 0) {
                value = *number;
            } else {
                return errorAt(source, arguments[argument].offset,
                               "expected milliseconds, found " + arguments[argument].text);
            }
            values.push_back(value);
        }
        if (name == "delay") {
            timeline.now += values[0];
            continue;
        }
        endTone(timeline, melody);
        timeline.toneOn = true;
        timeline.toneFrequency = values[0];
        timeline.toneStart = timeline.now;
        timeline.toneEnd = values.size() > 1 ? timeline.now + values[1] : -1;
        if (melody.size() > longestMelody) return errorAt(source, index, "the melody is too long");
    }
    // A tone with a length of its own sounds it out after the last call.
    timeline.now = std::max(timeline.now, timeline.toneEnd);
    endTone(timeline, melody);
    return {};
}

}  // namespace

std::string importArduino(std::string_view text, const ImportOptions& options, Melody& melody) {
    const SourceText source{text};
    const std::string code = codeOnly(text);
    const std::vector<Array> found = arrays(code);
    for (std::size_t index = 0; index < found.size(); ++index)
        if (namesNotes(found[index])) return readArrays(source, code, found, index, options, melody);
    for (std::size_t index = 0; index < found.size(); ++index)
        if (allNumbers(found[index]) && nameHas(found[index], {"melody", "freq", "note", "tone", "pitch"}) &&
            !nameHas(found[index], {"dur", "len", "time", "beat"}))
            return readArrays(source, code, found, index, options, melody);
    return readCalls(source, code, options, melody);
}
