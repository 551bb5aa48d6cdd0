// ABC, the text notation of folk tunes: a header of fields (X:, T:, M:, L:, Q:, P:, K:) and
// one voice of notes with bars, repeats, endings and parts. The first tune of a file is read.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "melody_import.h"
#include "source_text.h"

namespace {

constexpr std::string_view letters = "CDEFGAB";
// Sharps are added in this order, flats in the reverse one.
constexpr std::string_view sharpOrder = "FCGDAEB";
constexpr std::size_t noEnding = static_cast<std::size_t>(-1);

struct Pitch {
    bool rest = false;
    int midiNote = 0;
    double length = 1;  // in unit lengths
};

struct AbcState {
    double unitLength = 1.0 / 8;  // of a whole note
    bool unitLengthGiven = false;
    double meter = 1.0;  // a bar, in whole notes
    bool compoundMeter = false;
    double wholeNoteMilliseconds = 2000;  // a quarter note a beat, 120 beats a minute
    std::array<int, 7> key{};              // the key's sharp (+1) or flat (-1) of each letter from C
    std::map<int, int> barAccidentals;     // by letter and octave, until the bar ends

    // What the notes are being read into.
    unsigned tupletLeft = 0;
    double tupletFactor = 1;
    double brokenFactor = 1;  // for the next note, from a > or < after the last one
    bool tieOpen = false;
    std::vector<Pitch> graces;  // waiting for the note they lead into

    // Repeats: a ":|" goes back to the last "|:", else to the last double bar, the end of
    // the last ending or the start of the tune (or of its part), whichever came last.
    std::size_t repeatStart = 0;
    bool repeatOpened = false;  // by "|:"
    std::size_t firstEnding = noEnding;
    bool inLastEnding = false;  // an ending after the first, which lasts to its bar's end

    // Parts: the header's P: order, and where each part of the body lies in the melody.
    bool inBody = false;
    std::string order;
    std::size_t orderAt = 0;
    std::map<char, std::pair<std::size_t, std::size_t>> parts;
    char part = 0;  // the part being read, 0 before the first
    std::size_t partStart = 0;

    // Voices: a tune file plays one tone at a time, so only the body's first voice is read.
    std::string firstVoice;
    bool otherVoice = false;  // the music now belongs to another voice
    bool voicesLeftOut = false;
};

int letterIndex(char letter) {
    const std::size_t index = letters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return index == std::string_view::npos ? -1 : static_cast<int>(index);
}

std::string_view lineAt(SourceText& source) {
    const std::size_t end = std::min(source.text.find('\n', source.position), source.text.size());
    return source.text.substr(source.position, end - source.position);
}

// "3/4", "6/8", "C", "C|" or "none".
void readMeter(std::string_view value, AbcState& state) {
    SourceText source{value};
    skipSpaces(source);
    if (takeIf(source, 'C')) {
        takeIf(source, '|');  // common time and cut time both fill a whole note
        state.meter = 1.0;
        state.compoundMeter = false;
        return;
    }
    const std::optional<unsigned> beats = takeNumber(source);
    if (!beats || !takeIf(source, '/')) return;
    const std::optional<unsigned> unit = takeNumber(source);
    if (!unit || *unit == 0 || *beats == 0) return;
    state.meter = static_cast<double>(*beats) / *unit;
    state.compoundMeter = *beats % 3 == 0 && *beats > 3;
    if (!state.unitLengthGiven) state.unitLength = state.meter < 0.75 ? 1.0 / 16 : 1.0 / 8;
}

// A fraction "1/8", or the reason it is none.
std::string readFraction(SourceText& source, double& value) {
    skipSpaces(source);
    const std::optional<unsigned> top = takeNumber(source);
    if (!top || *top == 0) return errorAt(source, "expected a length such as 1/8");
    double fraction = *top;
    if (takeIf(source, '/')) {
        const std::optional<unsigned> bottom = takeNumber(source);
        if (!bottom || *bottom == 0) return errorAt(source, "expected a length such as 1/8");
        fraction /= *bottom;
    }
    value = fraction;
    return {};
}

// "1/4=120", "3/8=60", "\"Allegro\" 1/4=120", or the old "120" in unit lengths.
std::string readTempo(SourceText& source, AbcState& state) {
    skipSpaces(source);
    if (takeIf(source, '"')) {
        while (!atEnd(source) && take(source) != '"') {}
        skipSpaces(source);
    }
    if (atEnd(source)) return {};
    const std::size_t start = source.position;
    const std::optional<unsigned> number = takeNumber(source);
    skipSpaces(source);
    if (number && (atEnd(source) || peek(source) == '"')) {
        if (*number == 0) return errorAt(source, start, "a tempo needs beats a minute above 0");
        state.wholeNoteMilliseconds = 60000.0 / *number / state.unitLength;
        return {};
    }
    source.position = start;
    double beat = 0;
    // "1/4 1/8=120": the beat is the sum of the lengths before "=".
    while (peek(source) != '=') {
        double part = 0;
        if (std::string reason = readFraction(source, part); !reason.empty()) return reason;
        beat += part;
        skipSpaces(source);
        if (atEnd(source)) return errorAt(source, "expected \"=\" and beats a minute");
    }
    take(source);
    skipSpaces(source);
    const std::optional<unsigned> perMinute = takeNumber(source);
    if (!perMinute || *perMinute == 0) return errorAt(source, "expected beats a minute after \"=\"");
    state.wholeNoteMilliseconds = 60000.0 / *perMinute / beat;
    return {};
}

// "G", "Ebm", "F#mix", "D ^c", "none": the sharps and flats each letter takes.
std::string readKey(SourceText& source, AbcState& state) {
    state.key.fill(0);
    skipSpaces(source);
    const int tonic = letterIndex(peek(source));
    if (tonic < 0) return {};  // "none", "HP" and the like: no signature
    take(source);
    constexpr std::array<int, 7> fifthsOfLetter = {0, 2, 4, -1, 1, 3, 5};
    int fifths = fifthsOfLetter[static_cast<std::size_t>(tonic)];
    if (takeIf(source, '#')) fifths += 7;
    else if (peek(source) == 'b' && take(source)) fifths -= 7;
    skipSpaces(source);
    std::string mode;
    while (std::isalpha(static_cast<unsigned char>(peek(source))) && mode.size() < 3)
        mode += static_cast<char>(std::tolower(static_cast<unsigned char>(take(source))));
    while (std::isalpha(static_cast<unsigned char>(peek(source)))) take(source);
    static const std::map<std::string, int> modes = {{"", 0},    {"maj", 0},  {"ion", 0},  {"m", -3}, {"min", -3},
                                              {"aeo", -3}, {"mix", -1}, {"dor", -2}, {"phr", -4}, {"lyd", 1},
                                              {"loc", -5}};
    if (const auto found = modes.find(mode); found != modes.end()) fifths += found->second;
    fifths = std::clamp(fifths, -7, 7);
    for (int count = 0; count < std::abs(fifths); ++count) {
        const char letter = sharpOrder[static_cast<std::size_t>(fifths > 0 ? count : 6 - count)];
        state.key[static_cast<std::size_t>(letterIndex(letter))] = fifths > 0 ? 1 : -1;
    }
    // Accidentals written after the key: "K:D =c ^g".
    for (skipSpaces(source); !atEnd(source); skipSpaces(source)) {
        int accidental = 0;
        const char sign = take(source);
        if (sign == '^') accidental = 1;
        else if (sign == '_') accidental = -1;
        else if (sign != '=') {
            while (!atEnd(source) && !std::isspace(static_cast<unsigned char>(peek(source)))) take(source);
            continue;
        }
        const int letter = letterIndex(peek(source));
        if (letter < 0) continue;
        take(source);
        state.key[static_cast<std::size_t>(letter)] = accidental;
    }
    return {};
}


// "3", "/", "//", "3/2", "/4": a multiple of the unit length.
double readLength(SourceText& source) {
    double length = takeNumber(source).value_or(1);
    while (takeIf(source, '/')) length /= static_cast<double>(takeNumber(source).value_or(2));
    return length;
}

// An accidental, a letter, its octave marks and its length; or a rest.
std::string readPitch(SourceText& source, AbcState& state, Pitch& pitch) {
    if (takeIf(source, 'z') || takeIf(source, 'x')) {
        pitch = {true, 0, readLength(source)};
        return {};
    }
    const std::size_t at = source.position;
    int accidental = 0;
    bool explicitAccidental = false;
    for (; peek(source) == '^' || peek(source) == '_' || peek(source) == '='; explicitAccidental = true) {
        const char sign = take(source);
        accidental = sign == '=' ? 0 : accidental + (sign == '^' ? 1 : -1);
    }
    const char letter = peek(source);
    const int index = letterIndex(letter);
    if (index < 0 || !std::isalpha(static_cast<unsigned char>(letter)))
        return errorAt(source, at, "expected a note");
    take(source);
    int octave = std::islower(static_cast<unsigned char>(letter)) ? 5 : 4;
    for (;; take(source)) {
        if (peek(source) == '\'') ++octave;
        else if (peek(source) == ',') --octave;
        else break;
    }
    if (octave < -1 || octave > 9) return errorAt(source, at, "the note is outside any octave");
    const int slot = octave * 7 + index;
    if (explicitAccidental) state.barAccidentals[slot] = accidental;
    else if (const auto kept = state.barAccidentals.find(slot); kept != state.barAccidentals.end())
        accidental = kept->second;
    else accidental = state.key[static_cast<std::size_t>(index)];
    const int midiNote = 12 * (octave + 1) + semitoneOfLetter(letter) + accidental;
    pitch = {false, midiNote, readLength(source)};
    return {};
}

void startRepeat(AbcState& state, std::size_t at, bool opened) {
    state.repeatStart = at;
    state.repeatOpened = opened;
    state.firstEnding = noEnding;
}

void endRepeat(AbcState& state, MelodyBuilder& melody) {
    melody.replay(state.repeatStart, state.firstEnding == noEnding ? melody.size() : state.firstEnding);
    startRepeat(state, melody.size(), false);
}

// "1", "2", "1,3", "1-2" after a bar or "[": the first ending is skipped by the repeat.
void readEnding(SourceText& source, AbcState& state, const MelodyBuilder& melody) {
    if (takeNumber(source) == 1u) state.firstEnding = melody.size();
    else state.inLastEnding = true;
    while (peek(source) == ',' || peek(source) == '-' || std::isdigit(static_cast<unsigned char>(peek(source))))
        take(source);
}

// Grace notes take their time from the start of the note they lead into, a quarter of
// their written length each, as abc2midi plays them; when that would leave the note
// nothing, they are left out.
double playGraces(AbcState& state, double noteMilliseconds, double tuplet, MelodyBuilder& melody) {
    double graceTime = 0;
    for (const Pitch& grace : state.graces)
        graceTime += grace.length * state.unitLength * state.wholeNoteMilliseconds * tuplet / 4;
    if (graceTime >= noteMilliseconds) graceTime = 0;
    for (const Pitch& grace : state.graces)
        if (graceTime > 0) melody.note(grace.midiNote, grace.length * state.unitLength * state.wholeNoteMilliseconds * tuplet / 4);
    state.graces.clear();
    return noteMilliseconds - graceTime;
}

void addNote(const Pitch& pitch, AbcState& state, MelodyBuilder& melody) {
    double milliseconds = pitch.length * state.unitLength * state.wholeNoteMilliseconds * state.brokenFactor;
    state.brokenFactor = 1;
    double tuplet = 1;
    if (state.tupletLeft > 0) {
        tuplet = state.tupletFactor;
        milliseconds *= tuplet;
        --state.tupletLeft;
    }
    if (!state.graces.empty()) milliseconds = playGraces(state, milliseconds, tuplet, melody);
    const double frequency = pitch.rest ? restFrequency : melody.pitch(pitch.midiNote);
    if (state.tieOpen && melody.size() > 0 && melody.melody.back().frequency == frequency && !pitch.rest)
        melody.melody.back().milliseconds += milliseconds;
    else if (pitch.rest)
        melody.rest(milliseconds);
    else
        melody.note(pitch.midiNote, milliseconds);
    state.tieOpen = false;
}

// "(3abc": three notes in the time of two; "(p:q:r" in general.
void readTuplet(SourceText& source, AbcState& state) {
    const unsigned notes = std::max(1u, takeNumber(source).value_or(3));
    unsigned time = notes == 3 || notes == 6 ? 2 : notes == 2 || notes == 4 || notes == 8 ? 3
                                                                          : (state.compoundMeter ? 3 : 2);
    unsigned count = notes;
    if (takeIf(source, ':')) {
        time = takeNumber(source).value_or(time);
        if (takeIf(source, ':')) count = takeNumber(source).value_or(count);
    }
    state.tupletFactor = static_cast<double>(std::max(1u, time)) / notes;
    state.tupletLeft = count;
}

// ">" after a note lengthens it by half and halves the next one; ">>" by three quarters.
void readBrokenRhythm(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    const char sign = take(source);
    unsigned count = 1;
    for (; peek(source) == sign; take(source)) ++count;
    const double shortened = std::ldexp(1.0, -static_cast<int>(std::min(count, 8u)));
    if (melody.size() > 0) melody.melody.back().milliseconds *= sign == '>' ? 2 - shortened : shortened;
    state.brokenFactor = sign == '>' ? shortened : 2 - shortened;
}

// "|", "||", "|]", "|:", ":|", "::", "|1", ":|2", and "[1" after them.
void readBar(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    unsigned closing = 0;
    for (; peek(source) == ':'; take(source)) ++closing;
    unsigned strokes = 0;
    for (; peek(source) == '|' || peek(source) == ']' || (peek(source) == '[' && peek(source, 1) == '|'); take(source))
        ++strokes;
    unsigned opening = 0;
    for (; peek(source) == ':'; take(source)) ++opening;
    if (strokes == 0 && closing > 1) opening = 1;  // "::" ends one repeat and opens the next
    state.barAccidentals.clear();
    if (closing > 0) endRepeat(state, melody);
    else if (state.inLastEnding || (strokes > 1 && !state.repeatOpened)) startRepeat(state, melody.size(), false);
    state.inLastEnding = false;
    if (opening > 0) startRepeat(state, melody.size(), true);
    if (peek(source) == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) take(source);
    if (std::isdigit(static_cast<unsigned char>(peek(source)))) readEnding(source, state, melody);
}

void skipPast(SourceText& source, char closing) {
    while (!atEnd(source) && take(source) != closing) {}
}

// "[CEG]2": Pipalo plays one tone at a time, the chord's highest.
std::string readChord(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    const std::size_t at = source.position;
    take(source);
    Pitch highest;
    bool first = true;
    while (peek(source) != ']') {
        if (atEnd(source) || peek(source) == '\n') return errorAt(source, at, "a chord without its \"]\"");
        if (std::isspace(static_cast<unsigned char>(peek(source))) || peek(source) == '-') {
            take(source);
            continue;
        }
        Pitch pitch;
        if (std::string reason = readPitch(source, state, pitch); !reason.empty()) return reason;
        if (first) highest.length = pitch.length;
        if (first || pitch.midiNote > highest.midiNote) {
            highest.midiNote = pitch.midiNote;
            highest.rest = pitch.rest;
        }
        first = false;
    }
    take(source);
    highest.length *= readLength(source);
    if (first) return errorAt(source, at, "a chord without notes");
    addNote(highest, state, melody);
    return {};
}

// "{g}", "{/ag}", "{c2d}": the grace notes before a note.
std::string readGraces(SourceText& source, AbcState& state) {
    const std::size_t at = source.position;
    take(source);
    state.graces.clear();
    while (peek(source) != '}') {
        if (atEnd(source)) return errorAt(source, at, "grace notes without their \"}\"");
        if (peek(source) == '/' || std::isspace(static_cast<unsigned char>(peek(source)))) {
            take(source);
            continue;
        }
        Pitch grace;
        if (std::string reason = readPitch(source, state, grace); !reason.empty()) return reason;
        if (!grace.rest) state.graces.push_back(grace);
    }
    take(source);
    return {};
}

// A part of the body begins: the last one ends, and repeats start afresh.
void startPart(char part, AbcState& state, const MelodyBuilder& melody) {
    if (state.part != 0) state.parts[state.part] = {state.partStart, melody.size()};
    state.part = part;
    state.partStart = melody.size();
    startRepeat(state, melody.size(), false);
}

// A field's value, from after "X:" to the end of the line or the "]" of an inline field.
std::string readField(char field, SourceText source, AbcState& state, MelodyBuilder& melody) {
    switch (field) {
        case 'L': {
            double length = 0;
            if (std::string reason = readFraction(source, length); !reason.empty()) return reason;
            state.unitLength = length;
            state.unitLengthGiven = true;
            return {};
        }
        case 'M': readMeter(source.text.substr(source.position, source.end - source.position), state); return {};
        case 'Q': return readTempo(source, state);
        case 'K': return readKey(source, state);
        case 'V': {
            skipSpaces(source);
            const std::size_t start = source.position;
            while (!atEnd(source) && !std::isspace(static_cast<unsigned char>(peek(source)))) take(source);
            const std::string voice(source.text.substr(start, source.position - start));
            if (!state.inBody) return {};
            if (state.firstVoice.empty()) state.firstVoice = voice;
            state.otherVoice = voice != state.firstVoice;
            if (state.otherVoice && !state.voicesLeftOut) {
                state.voicesLeftOut = true;
                melody.notice("voices after the first (V:" + state.firstVoice + ") left out: a tune file plays one tone at a time");
            }
            return {};
        }
        case 'P':
            skipSpaces(source);
            if (!state.inBody) {
                state.orderAt = source.position;
                state.order = source.text.substr(source.position, source.end - source.position);
            } else if (std::isalpha(static_cast<unsigned char>(peek(source)))) {
                startPart(static_cast<char>(std::toupper(static_cast<unsigned char>(peek(source)))), state, melody);
            }
            return {};
        default: return {};  // titles, composers, words and the rest make no sound
    }
}

std::string readMusic(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    while (!atEnd(source) && !melody.full()) {
        melody.at(source.position);
        const char next = peek(source);
        if (next == '%') return {};
        if (state.otherVoice && !(next == '[' && peek(source, 1) == 'V' && peek(source, 2) == ':')) {
            take(source);
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(next)) || next == '\\' || next == '`' || next == 'y' ||
            next == ')' || std::string_view(".~HLMOPSTuv").find(next) != std::string_view::npos) {
            take(source);
        } else if (next == '{') {
            if (std::string reason = readGraces(source, state); !reason.empty()) return reason;
        } else if (next == '"' || next == '!' || next == '+') {
            take(source);
            skipPast(source, next);
        } else if (next == '(') {
            take(source);
            if (std::isdigit(static_cast<unsigned char>(peek(source)))) readTuplet(source, state);
        } else if (next == '|' || next == ':' || (next == '[' && peek(source, 1) == '|')) {
            readBar(source, state, melody);
        } else if (next == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) {
            take(source);
            readEnding(source, state, melody);
        } else if (next == '[' && std::isalpha(static_cast<unsigned char>(peek(source, 1))) && peek(source, 2) == ':') {
            // Within the line only, so that a "[K:" left open costs no more than its line.
            const std::size_t lineEnd = std::min(source.end, source.text.size());
            const std::size_t close = source.text.substr(source.position, lineEnd - source.position).find(']');
            const std::size_t end = close == std::string_view::npos ? lineEnd : source.position + close;
            SourceText field{source.text, source.position + 3, end};
            if (std::string reason = readField(peek(source, 1), field, state, melody); !reason.empty()) return reason;
            source.position = std::min(end + 1, lineEnd);
        } else if (next == '[') {
            if (std::string reason = readChord(source, state, melody); !reason.empty()) return reason;
        } else if (next == '-') {
            take(source);
            state.tieOpen = true;
        } else if (next == '>' || next == '<') {
            readBrokenRhythm(source, state, melody);
        } else if (next == 'Z' || next == 'X') {
            take(source);
            const double bars = takeNumber(source).value_or(1);
            addNote({true, 0, bars * state.meter / state.unitLength}, state, melody);
        } else {
            Pitch pitch;
            if (std::string reason = readPitch(source, state, pitch); !reason.empty()) return reason;
            addNote(pitch, state, melody);
        }
    }
    return {};
}

bool isFieldLine(std::string_view line) {
    return line.size() >= 2 && std::isalpha(static_cast<unsigned char>(line[0])) && line[1] == ':';
}

// The P: order, "AAB", "A2B", "(AB)2", "((AB)3.(CD)3)2", as the parts it plays.
struct OrderReader {
    std::string_view order;
    std::size_t at = 0;
    std::vector<char> parts;
};

constexpr std::size_t mostOrderedParts = 10000;
constexpr int deepestOrder = 16;

std::string readOrder(OrderReader& reader, int depth) {
    if (depth > deepestOrder) return "the P: order nests too deep";
    while (reader.at < reader.order.size()) {
        const char next = reader.order[reader.at];
        const std::size_t from = reader.parts.size();
        if (next == ')') return {};
        ++reader.at;
        if (next == '(') {
            if (std::string reason = readOrder(reader, depth + 1); !reason.empty()) return reason;
            if (reader.at >= reader.order.size()) return "a \"(\" of the P: order without its \")\"";
            ++reader.at;
        } else if (std::isalpha(static_cast<unsigned char>(next))) {
            reader.parts.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(next))));
        } else if (next == '.' || std::isspace(static_cast<unsigned char>(next))) {
            continue;
        } else {
            return std::string("the P: order holds \"") + next + "\", not a part";
        }
        unsigned times = 0;
        while (reader.at < reader.order.size() && std::isdigit(static_cast<unsigned char>(reader.order[reader.at])))
            times = std::min<unsigned>(10 * mostOrderedParts, times * 10 + static_cast<unsigned>(reader.order[reader.at++] - '0'));
        const std::vector<char> group(reader.parts.begin() + static_cast<std::ptrdiff_t>(from), reader.parts.end());
        for (unsigned time = 1; time < times && reader.parts.size() <= mostOrderedParts; ++time)
            reader.parts.insert(reader.parts.end(), group.begin(), group.end());
        if (reader.parts.size() > mostOrderedParts) return "the P: order plays more parts than any tune";
    }
    return {};
}

// What comes before the first part, then the parts as the order plays them.
std::string playOrder(const AbcState& state, MelodyBuilder& melody) {
    OrderReader reader{state.order, 0, {}};
    if (std::string reason = readOrder(reader, 0); !reason.empty()) return errorAt({melody.source}, state.orderAt, reason);
    if (reader.at < reader.order.size()) return errorAt({melody.source}, state.orderAt + reader.at, "a \")\" of the P: order without its \"(\"");
    std::size_t firstPart = melody.size();
    for (const auto& [name, range] : state.parts) firstPart = std::min(firstPart, range.first);
    std::vector<std::pair<std::size_t, std::size_t>> pieces = {{0, firstPart}};
    for (const char part : reader.parts) {
        if (const auto found = state.parts.find(part); found != state.parts.end()) pieces.push_back(found->second);
        else melody.notice(std::string("part ") + part + " of the P: order is not in the tune: left out");
    }
    melody.at(state.orderAt);
    melody.rearrange(pieces);
    return {};
}

std::string importAbc(std::string_view text, MelodyBuilder& melody) {
    AbcState state;
    const bool hasKey = text.starts_with("K:") || text.find("\nK:") != std::string_view::npos;
    state.inBody = !hasKey;
    bool tuneBegun = false;
    for (SourceText source{text}; !atEnd(source) && !melody.full();) {
        const std::size_t lineStart = source.position;
        const std::string_view line = lineAt(source);
        const std::size_t lineEnd = lineStart + line.size();
        if (isFieldLine(line)) {
            if (line[0] == 'X' && tuneBegun) break;  // the next tune of the file
            tuneBegun = tuneBegun || line[0] == 'X';
            SourceText field{text, lineStart + 2, lineEnd};
            const std::size_t comment = line.find('%');
            if (comment != std::string_view::npos) field.end = lineStart + comment;
            melody.at(lineStart);
            if (std::string reason = readField(line[0], field, state, melody); !reason.empty()) return reason;
            if (line[0] == 'K') state.inBody = true;
        } else if (state.inBody && !line.starts_with("%")) {
            SourceText music{text, lineStart, lineEnd};
            if (std::string reason = readMusic(music, state, melody); !reason.empty()) return reason;
        }
        source.position = lineEnd + 1;
    }
    if (state.part != 0) state.parts[state.part] = {state.partStart, melody.size()};
    if (!state.order.empty() && !state.parts.empty() && !melody.full()) return playOrder(state, melody);
    return {};
}

Resemblance resemblesAbc(std::string_view text) {
    bool key = false;
    bool header = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        key = key || line.starts_with("K:");
        header = header || line.starts_with("X:") || line.starts_with("T:") || line.starts_with("L:");
        start = end + 1;
    }
    return key && header ? Resemblance::surely : Resemblance::none;
}

}  // namespace

const MelodyFormat abcFormat = {
    "abc", {".abc"}, "ABC notation, its first tune: \"X:1 L:1/8 K:G |:GABc d2B2:|\"", false,
    resemblesAbc, importAbc, writeAbcMelody,
};
