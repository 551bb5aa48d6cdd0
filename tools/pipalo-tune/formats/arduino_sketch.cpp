// Arduino sketches that play a melody: played by their own arithmetic where the evaluator
// reads them, else read by their values: a NOTE_xx array (the names of pitches.h) with
// a duration array or with durations between the notes, or plain tone(pin, f, ms) calls.
// Written as a sketch that plays the tones from flash memory without blocking.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "melody_import.h"
#include "sketch_arithmetic.h"
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

std::string lowerCase(std::string text) {
    for (char& character : text) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return text;
}

// The text with its comments blanked, and its strings unless kept, so that offsets stay
// where they were.
std::string codeOnly(std::string_view text, bool keepStrings = false) {
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
            for (++index; index < code.size() && code[index] != quote && code[index] != '\n'; ++index) {
                if (keepStrings && code[index] == '\\' && index + 1 < code.size() && code[index + 1] != '\n') ++index;
                else if (!keepStrings) code[index] = ' ';
            }
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

// The position of the bracket matching the one at `open`, or npos.
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

// The name of the array whose values the brace opens ("name[] = {", "name[N] PROGMEM = {"),
// else empty; `nameAt` is where the name begins. Only the few characters before the
// brace are looked at, so that finding every array takes one pass.
std::string arrayNamed(const std::string& code, std::size_t brace, std::size_t& nameAt) {
    std::size_t index = skipBack(code, brace);
    if (index == 0 || code[index - 1] != '=') return {};
    index = skipBack(code, index - 1);
    if (index >= 7 && code.compare(index - 7, 7, "PROGMEM") == 0) index = skipBack(code, index - 7);
    if (index == 0 || code[index - 1] != ']') return {};
    --index;
    while (index > 0 && (isNameCharacter(code[index - 1]) || code[index - 1] == ' ')) --index;
    if (index == 0 || code[index - 1] != '[') return {};
    const std::size_t nameEnd = skipBack(code, index - 1);
    std::size_t nameStart = nameEnd;
    while (nameStart > 0 && isNameCharacter(code[nameStart - 1])) --nameStart;
    nameAt = nameStart;
    return code.substr(nameStart, nameEnd - nameStart);
}

// Every array given its values; the arrays inside another's values are its own.
std::vector<Array> arrays(const std::string& code) {
    std::vector<Array> found;
    std::size_t open = std::string::npos;
    int depth = 0;
    std::string name;
    std::size_t nameAt = 0;
    for (std::size_t index = 0; index < code.size(); ++index) {
        if (code[index] == '{') {
            if (open == std::string::npos && !(name = arrayNamed(code, index, nameAt)).empty()) open = index;
            if (open != std::string::npos) ++depth;
        } else if (code[index] == '}' && open != std::string::npos && --depth == 0) {
            found.push_back({name, nameAt, listElements(code, open + 1, index)});
            open = std::string::npos;
        }
    }
    return found;
}

// What an element of a note array or a tone() call names: NOTE_xx, REST, or hertz.
struct SketchPitch {
    int midiNote = -1;  // for a NOTE_ name
    double hertz = restFrequency;
};

bool isRest(std::string_view text) { return text == "REST" || text == "0"; }

std::optional<double> numberIn(std::string_view text) {
    char* end = nullptr;
    const std::string number(text);
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size() || !(value > -1e7 && value < 1e7))
        return std::nullopt;
    return value;
}

std::string pitchOf(const SourceText& source, const Element& element, SketchPitch& pitch) {
    pitch = {namedNote(element.text), restFrequency};
    if (pitch.midiNote >= 0 || element.text == "REST") return {};
    const std::optional<double> hertz = numberIn(element.text);
    if (!hertz || *hertz < 0 || *hertz > 65535)
        return errorAt(source, element.offset, "expected a NOTE_ name, REST or a frequency, found " + element.text);
    pitch.hertz = *hertz;
    return {};
}

void addPitch(const SketchPitch& pitch, double milliseconds, MelodyBuilder& melody) {
    if (pitch.midiNote >= 0) melody.note(pitch.midiNote, milliseconds);
    else melody.tone(pitch.hertz, milliseconds);
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

// The number a variable is given where it is declared: "int tempo = 140;".
std::optional<double> variable(const std::string& code, std::string_view name) {
    for (std::size_t found = code.find(name); found != std::string::npos; found = code.find(name, found + 1)) {
        std::size_t index = found + name.size();
        if ((found > 0 && isNameCharacter(code[found - 1])) || isNameCharacter(code[index])) continue;
        while (index < code.size() && std::isspace(static_cast<unsigned char>(code[index]))) ++index;
        if (index >= code.size() || code[index] != '=' || code.compare(index, 2, "==") == 0) continue;
        const std::size_t end = code.find_first_of(";,)\n", index + 1);
        std::size_t offset = index + 1;
        return numberIn(trimmed(std::string_view(code).substr(
            index + 1, (end == std::string::npos ? code.size() : end) - index - 1), offset));
    }
    return std::nullopt;
}

// A whole note of the sketch's tempo, for dividers such as "wholenote / divider"; the
// 1000 ms of the Arduino example's "1000 / noteDurations[i]" without one.
double wholeNoteOf(const std::string& code) {
    const std::optional<double> tempo = variable(code, "tempo");
    return tempo && *tempo > 0 ? 240000 / *tempo : 1000;
}

// How the sketch uses its durations: as divisors of a whole note, or as milliseconds.
struct DurationReading {
    std::optional<double> wholeNote;  // empty for milliseconds
    std::string why;
    bool byValues = false;  // no use of the array was found
};

// The identifier or number just before the position, skipping spaces and "(".
std::string_view wordBefore(const std::string& code, std::size_t index) {
    while (index > 0 && (std::isspace(static_cast<unsigned char>(code[index - 1])) || code[index - 1] == '(')) --index;
    std::size_t start = index;
    while (start > 0 && (isNameCharacter(code[start - 1]) || code[start - 1] == '.')) --start;
    return std::string_view(code).substr(start, index - start);
}

// Looks at each use of the name: after "/" it is a divisor (of the number or variable
// before it); inside tone() or delay() milliseconds; given to a variable, that variable's uses.
// Each use looks back a statement's worth at most, and a few variables given the
// array's values are followed, so that the work stays in step with the sketch.
constexpr std::size_t lookBack = 200;
constexpr int mostVariablesFollowed = 8;

std::optional<DurationReading> usedAs(const std::string& code, std::string_view name, int depth,
                                      int& variablesFollowed) {
    for (std::size_t found = code.find(name); found != std::string::npos; found = code.find(name, found + 1)) {
        const std::size_t after = found + name.size();
        if ((found > 0 && isNameCharacter(code[found - 1])) ||
            (after < code.size() && isNameCharacter(code[after])))
            continue;
        // "wholenote / abs(divider)", "x = pgm_read_word(&durations[i])": what the value is
        // wrapped in is looked through.
        std::size_t before = found;
        const std::size_t from = found > lookBack ? found - lookBack : 0;
        for (std::size_t wrapped = std::string::npos; wrapped != before && before > from;) {
            wrapped = before;
            while (before > 0 && (std::isspace(static_cast<unsigned char>(code[before - 1])) || code[before - 1] == '&'))
                --before;
            if (before == 0 || code[before - 1] != '(') continue;
            --before;
            while (before > 0 && std::isspace(static_cast<unsigned char>(code[before - 1]))) --before;
            while (before > 0 && isNameCharacter(code[before - 1])) --before;
        }
        while (before > 0 && std::isspace(static_cast<unsigned char>(code[before - 1]))) --before;
        if (before > 0 && code[before - 1] == '/') {
            const std::string_view numerator = wordBefore(code, before - 1);
            std::optional<double> whole = numberIn(numerator);
            if (!whole && !numerator.empty()) whole = variable(code, numerator);
            if (!whole || *whole <= 0) whole = wholeNoteOf(code);
            return DurationReading{whole, "the sketch divides by them"};
        }
        const std::string_view window = std::string_view(code).substr(from, found - from);
        const std::size_t statement = window.find_last_of(";{}");
        const std::string_view upTo = statement == std::string_view::npos ? window : window.substr(statement + 1);
        if (upTo.find("tone(") != std::string_view::npos || upTo.find("delay(") != std::string_view::npos)
            return DurationReading{std::nullopt, "the sketch passes them to tone() or delay()"};
        // "int divider = durations[i];": the variable's own uses tell.
        std::size_t equals = before;
        if (depth == 0 && equals > 0 && code[equals - 1] == '=' && (equals < 2 || code[equals - 2] != '=') &&
            variablesFollowed < mostVariablesFollowed) {
            const std::string_view given = wordBefore(code, equals - 1);
            if (!given.empty() && !std::isdigit(static_cast<unsigned char>(given[0]))) {
                ++variablesFollowed;
                if (auto reading = usedAs(code, given, depth + 1, variablesFollowed)) return reading;
            }
        }
    }
    return std::nullopt;
}

DurationReading durationReading(const std::string& code, const Array& durations) {
    int variablesFollowed = 0;
    if (auto reading = usedAs(code, durations.name, 0, variablesFollowed)) return *reading;
    // Nothing says: note values are the powers of two a score writes.
    const bool noteValues = std::all_of(durations.elements.begin(), durations.elements.end(), [](const Element& element) {
        const double value = std::abs(*numberIn(element.text));
        return value == 1 || value == 2 || value == 4 || value == 8 || value == 16 || value == 32;
    });
    if (noteValues) return {wholeNoteOf(code), "all are 1, 2, 4, 8, 16 or 32", true};
    return {std::nullopt, "they are not all note values", true};
}

std::string readArrays(const SourceText& source, const std::string& code, const std::vector<Array>& found,
                       std::size_t notesIndex, MelodyBuilder& melody) {
    const Array& notes = found[notesIndex];
    const bool interleaved = namesNotes(notes) && notes.elements.size() % 2 == 0 && [&] {
        for (std::size_t index = 0; index < notes.elements.size(); index += 2)
            if (!(namedNote(notes.elements[index].text) >= 0 || isRest(notes.elements[index].text)) ||
                !numberIn(notes.elements[index + 1].text))
                return false;
        return true;
    }();
    std::vector<std::pair<const Element*, const Element*>> pairs;
    std::optional<double> wholeNote;
    if (interleaved) {
        wholeNote = wholeNoteOf(code);
        for (std::size_t index = 0; index < notes.elements.size(); index += 2)
            pairs.emplace_back(&notes.elements[index], &notes.elements[index + 1]);
    } else {
        const Array* durations = nullptr;
        for (std::size_t index = 0; index < found.size(); ++index) {
            if (index == notesIndex || !allNumbers(found[index])) continue;
            if (!durations || (nameHas(found[index], {"dur", "len", "time", "beat"}) &&
                               !nameHas(*durations, {"dur", "len", "time", "beat"})))
                durations = &found[index];
        }
        if (!durations) return errorAt(source, notes.offset, "no array of durations for the notes of " + notes.name);
        const DurationReading reading = durationReading(code, *durations);
        wholeNote = reading.wholeNote;
        // Notes that short are a misreading, not a melody.
        const bool allShort =
            std::all_of(durations->elements.begin(), durations->elements.end(),
                        [](const Element& element) { return std::abs(*numberIn(element.text)) < 20; });
        if (reading.byValues && !wholeNote && allShort)
            return errorAt(source, durations->offset,
                           "read " + durations->name + " as milliseconds (" + reading.why +
                               "), every note is shorter than 20 ms; to read them as note values, divide a whole "
                               "note by them as the sketch plays them: 1000 / " + durations->name + "[i]");
        char whole[32];
        std::snprintf(whole, sizeof whole, "%.0f", wholeNote.value_or(0));
        melody.notice("read " + durations->name + " as " +
                      (wholeNote ? "note values of a " + std::string(whole) + " ms whole note" : "milliseconds") +
                      ": " + reading.why);
        const std::size_t count = std::min(notes.elements.size(), durations->elements.size());
        for (std::size_t index = 0; index < count; ++index)
            pairs.emplace_back(&notes.elements[index], &durations->elements[index]);
    }
    for (const auto& [note, duration] : pairs) {
        if (melody.full()) break;
        SketchPitch pitch;
        if (std::string reason = pitchOf(source, *note, pitch); !reason.empty()) return reason;
        const double value = *numberIn(duration->text);
        // A negative divider is a dotted note.
        if (value == 0 || (value < 0 && !wholeNote) || std::abs(value) > 1e6)
            return errorAt(source, duration->offset, "a duration must be above 0");
        melody.at(note->offset);
        addPitch(pitch, wholeNote ? *wholeNote / std::abs(value) * (value < 0 ? 1.5 : 1) : value, melody);
    }
    return {};
}

// Where the calls have got to: the sketch's clock, moved on by delay(), and the tone sounding.
struct Timeline : SketchSounds {
    explicit Timeline(MelodyBuilder& melody) : melody(melody) {}

    void at(std::size_t offset) override { melody.at(offset); }
    void tone(const SketchValue& frequency, double milliseconds) override {
        start({frequency.midiNote, frequency.midiNote >= 0 ? restFrequency : frequency.number}, milliseconds);
    }
    void start(const SketchPitch& next, double milliseconds) {
        noTone();
        toneOn = true;
        pitch = next;
        toneStart = now;
        toneEnd = milliseconds >= 0 ? now + milliseconds : -1;
    }
    void noTone() override {
        if (!toneOn) return;
        toneOn = false;
        const double end = toneEnd < 0 ? now : std::min(toneEnd, now);
        if (end <= toneStart) return;
        if (toneStart > written) melody.rest(toneStart - written);
        addPitch(pitch, end - toneStart, melody);
        written = end;
    }
    void delay(double milliseconds, bool articulated) override {
        now += milliseconds;
        // The tone was cut short of its note for articulation: the note is the whole wait.
        if (articulated && toneOn && toneEnd >= 0) toneEnd = std::max(toneEnd, now);
    }
    bool full() const override { return melody.full(); }
    // A tone with a length of its own sounds it out after the last call.
    void finish() {
        now = std::max(now, toneEnd);
        noTone();
    }

    MelodyBuilder& melody;
    double now = 0;
    double written = 0;  // the melody reaches this far
    SketchPitch pitch;
    double toneStart = 0;
    double toneEnd = -1;  // -1 while the tone has no end of its own
    bool toneOn = false;
};

std::string readCalls(const SourceText& source, const std::string& code, MelodyBuilder& melody) {
    Timeline timeline(melody);
    for (std::size_t index = 0; index < code.size() && !melody.full(); ++index) {
        const bool startsName = std::isalpha(static_cast<unsigned char>(code[index])) &&
                                (index == 0 || !isNameCharacter(code[index - 1]));
        if (!startsName) continue;
        std::size_t nameEnd = index;
        while (nameEnd < code.size() && isNameCharacter(code[nameEnd])) ++nameEnd;
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
            timeline.noTone();
            continue;
        }
        const std::size_t wanted = name == "delay" ? 1 : 2;
        if (arguments.size() < wanted) return errorAt(source, open, name + " needs more arguments");
        melody.at(open);
        std::vector<double> values;
        SketchPitch pitch;
        for (std::size_t argument = name == "delay" ? 0 : 1; argument < arguments.size(); ++argument) {
            double value = 0;
            if (argument == 1 && name == "tone") {
                if (std::string reason = pitchOf(source, arguments[argument], pitch); !reason.empty())
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
            timeline.delay(values[0], false);
            continue;
        }
        timeline.start(pitch, values.size() > 1 ? values[1] : -1);
    }
    timeline.finish();
    return {};
}

// The sketch played by its own arithmetic where the evaluator can; else its arrays and
// calls read by what they hold, and the reason told.
std::string importArduino(std::string_view text, MelodyBuilder& melody) {
    const SourceText source{text};
    MelodyBuilder played(melody.source, melody.binary, melody.options);
    Timeline timeline(played);
    const SketchRun run = runSketch(codeOnly(text, true), timeline);
    if (run.ran) {
        timeline.finish();
        if (std::any_of(played.melody.begin(), played.melody.end(),
                        [](const MelodyEvent& event) { return event.frequency > restFrequency; })) {
            played.notice("played the sketch's setup() and loop() by its own arithmetic");
            melody = std::move(played);
            return {};
        }
    }
    melody.notice("read the sketch by the values it holds: " +
                  (run.ran ? std::string("its setup() and loop() play no tone") : run.failure));
    const std::string code = codeOnly(text);
    const std::vector<Array> found = arrays(code);
    for (std::size_t index = 0; index < found.size(); ++index)
        if (namesNotes(found[index])) return readArrays(source, code, found, index, melody);
    for (std::size_t index = 0; index < found.size(); ++index)
        if (allNumbers(found[index]) && nameHas(found[index], {"melody", "freq", "note", "tone", "pitch"}) &&
            !nameHas(found[index], {"dur", "len", "time", "beat"}))
            return readArrays(source, code, found, index, melody);
    return readCalls(source, code, melody);
}

Resemblance resemblesArduino(std::string_view text) {
    const bool calls = text.find("NOTE_") != std::string_view::npos || text.find("tone(") != std::string_view::npos;
    return calls ? Resemblance::surely : Resemblance::none;
}

constexpr std::size_t valuesPerLine = 12;

std::string valueList(const std::vector<TuneRecord>& records, DWORD TuneRecord::*field) {
    std::string list;
    for (std::size_t index = 0; index < records.size(); ++index) {
        list += index % valuesPerLine == 0 ? "\n    " : " ";
        list += std::to_string(records[index].*field) + ",";
    }
    return list + "\n";
}

// A sketch's arrays and tone() hold 16 bits: a longer tone is struck again every 65535 ms.
std::string writeArduino(const Melody& melody, MelodyOutput& output) {
    constexpr DWORD largest = 65535;
    std::vector<TuneRecord> records;
    for (TuneRecord record : melodyRecords(melody, output)) {
        for (; record.duration > largest; record.duration -= largest) records.push_back({record.frequency, largest});
        records.push_back(record);
    }
    moveDownInto(records, [](DWORD hertz) { return hertz <= largest; }, "the 65535 Hz of tone()", output);
    return "// " + output.name + ", exported from a Pipalo tune: a piezo on pin 8 plays it once.\n"
           "#include <avr/pgmspace.h>\n"
           "\n"
           "const int speakerPin = 8;\n"
           "\n"
           "// Hertz and milliseconds of each tone, kept in flash memory.\n"
           "const unsigned int melody[] PROGMEM = {" + valueList(records, &TuneRecord::frequency) + "};\n"
           "const unsigned int durations[] PROGMEM = {" + valueList(records, &TuneRecord::duration) + "};\n"
           "const unsigned int toneCount = sizeof melody / sizeof melody[0];\n"
           "\n"
           "unsigned int nextTone = 0;\n"
           "unsigned long toneStarted = 0;\n"
           "unsigned long toneLength = 0;\n"
           "\n"
           "void setup() {\n"
           "}\n"
           "\n"
           "// Starts the next tone once the last one has had its time, and returns at once:\n"
           "// the rest of loop() goes on while the melody plays.\n"
           "void playMelody() {\n"
           "    if (nextTone >= toneCount || millis() - toneStarted < toneLength) return;\n"
           "    const unsigned int frequency = pgm_read_word(&melody[nextTone]);\n"
           "    toneLength = pgm_read_word(&durations[nextTone]);\n"
           "    toneStarted = millis();\n"
           "    tone(speakerPin, frequency, toneLength);\n"
           "    ++nextTone;\n"
           "}\n"
           "\n"
           "void loop() {\n"
           "    playMelody();\n"
           "}\n";
}

}  // namespace

extern const MelodyFormat arduinoFormat = {
    "arduino", {".ino", ".pde", ".cpp"}, "sketches: NOTE_ arrays with durations, or tone() calls", false,
    resemblesArduino, importArduino, writeArduino,
};
