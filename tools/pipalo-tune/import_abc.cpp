// ABC, the text notation of folk tunes: a header of fields (X:, T:, M:, L:, Q:, K:) and
// one voice of notes with bars and repeats. The first tune of a file is read.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <utility>

#include "melody_import.h"
#include "source_text.h"

namespace {

constexpr std::array<int, 7> semitoneFromC = {0, 2, 4, 5, 7, 9, 11};  // C D E F G A B
constexpr std::string_view letters = "CDEFGAB";
// Sharps are added in this order, flats in the reverse one.
constexpr std::string_view sharpOrder = "FCGDAEB";
constexpr std::size_t noEnding = static_cast<std::size_t>(-1);

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
    std::size_t repeatStart = 0;
    std::size_t firstEnding = noEnding;
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
    const std::map<std::string, int> modes = {{"", 0},    {"maj", 0},  {"ion", 0},  {"m", -3}, {"min", -3},
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

// A field's value, from after "X:" to the end of the line or the "]" of an inline field.
std::string readField(char field, SourceText source, AbcState& state) {
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
        default: return {};  // titles, composers, words and the rest make no sound
    }
}

// "3", "/", "//", "3/2", "/4": a multiple of the unit length.
double readLength(SourceText& source) {
    double length = takeNumber(source).value_or(1);
    while (takeIf(source, '/')) length /= static_cast<double>(takeNumber(source).value_or(2));
    return length;
}

struct Pitch {
    bool rest = false;
    int midiNote = 0;
    double length = 1;  // in unit lengths
};

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
    const int midiNote = 12 * (octave + 1) + semitoneFromC[static_cast<std::size_t>(index)] + accidental;
    pitch = {false, midiNote, readLength(source)};
    return {};
}

void replay(Melody& melody, std::size_t from, std::size_t to) {
    for (std::size_t index = from; index < to && index < melody.size(); ++index) melody.push_back(melody[index]);
}

void endRepeat(AbcState& state, Melody& melody) {
    replay(melody, state.repeatStart, state.firstEnding == noEnding ? melody.size() : state.firstEnding);
    state.firstEnding = noEnding;
    state.repeatStart = melody.size();
}

void addNote(const Pitch& pitch, AbcState& state, const ImportOptions& options, Melody& melody) {
    double milliseconds = pitch.length * state.unitLength * state.wholeNoteMilliseconds * state.brokenFactor;
    state.brokenFactor = 1;
    if (state.tupletLeft > 0) {
        milliseconds *= state.tupletFactor;
        --state.tupletLeft;
    }
    const double frequency = pitch.rest ? restFrequency : pitchFrequency(pitch.midiNote, options);
    if (state.tieOpen && !melody.empty() && melody.back().frequency == frequency && !pitch.rest)
        melody.back().milliseconds += milliseconds;
    else
        melody.push_back({frequency, milliseconds});
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
void readBrokenRhythm(SourceText& source, AbcState& state, Melody& melody) {
    const char sign = take(source);
    unsigned count = 1;
    for (; peek(source) == sign; take(source)) ++count;
    const double shortened = std::ldexp(1.0, -static_cast<int>(std::min(count, 8u)));
    if (!melody.empty()) melody.back().milliseconds *= sign == '>' ? 2 - shortened : shortened;
    state.brokenFactor = sign == '>' ? shortened : 2 - shortened;
}

// "|", "||", "|]", "|:", ":|", "::", "|1", ":|2", and "[1" after them.
void readBar(SourceText& source, AbcState& state, Melody& melody) {
    unsigned closing = 0;
    for (; peek(source) == ':'; take(source)) ++closing;
    while (peek(source) == '|' || peek(source) == ']' || (peek(source) == '[' && peek(source, 1) == '|'))
        take(source);
    unsigned opening = 0;
    for (; peek(source) == ':'; take(source)) ++opening;
    state.barAccidentals.clear();
    if (closing > 0) endRepeat(state, melody);
    if (opening > 0) state.repeatStart = melody.size();
    if (peek(source) == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) take(source);
    if (std::isdigit(static_cast<unsigned char>(peek(source)))) {
        if (takeNumber(source) == 1u) state.firstEnding = melody.size();
        while (peek(source) == ',' || peek(source) == '-' || std::isdigit(static_cast<unsigned char>(peek(source))))
            take(source);
    }
}

void skipPast(SourceText& source, char closing) {
    while (!atEnd(source) && take(source) != closing) {}
}

// "[CEG]2": Pipalo plays one tone at a time, the chord's highest.
std::string readChord(SourceText& source, AbcState& state, const ImportOptions& options, Melody& melody) {
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
    addNote(highest, state, options, melody);
    return {};
}

std::string readMusic(SourceText& source, AbcState& state, const ImportOptions& options, Melody& melody) {
    while (!atEnd(source)) {
        const char next = peek(source);
        if (next == '%') return {};
        if (std::isspace(static_cast<unsigned char>(next)) || next == '\\' || next == '`' || next == 'y' ||
            next == ')' || std::string_view(".~HLMOPSTuv").find(next) != std::string_view::npos) {
            take(source);
        } else if (next == '"' || next == '!' || next == '+' || next == '{') {
            take(source);
            skipPast(source, next == '{' ? '}' : next);
        } else if (next == '(') {
            take(source);
            if (std::isdigit(static_cast<unsigned char>(peek(source)))) readTuplet(source, state);
        } else if (next == '|' || next == ':' || (next == '[' && peek(source, 1) == '|')) {
            readBar(source, state, melody);
        } else if (next == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) {
            take(source);
            if (takeNumber(source) == 1u) state.firstEnding = melody.size();
        } else if (next == '[' && std::isalpha(static_cast<unsigned char>(peek(source, 1))) && peek(source, 2) == ':') {
            const std::size_t close = source.text.find(']', source.position);
            const std::size_t end = std::min({close, source.text.find('\n', source.position), source.end});
            SourceText field{source.text, source.position + 3, end};
            if (std::string reason = readField(peek(source, 1), field, state); !reason.empty()) return reason;
            source.position = std::min(end + 1, source.end);
        } else if (next == '[') {
            if (std::string reason = readChord(source, state, options, melody); !reason.empty()) return reason;
        } else if (next == '-') {
            take(source);
            state.tieOpen = true;
        } else if (next == '>' || next == '<') {
            readBrokenRhythm(source, state, melody);
        } else if (next == 'Z' || next == 'X') {
            take(source);
            const double bars = takeNumber(source).value_or(1);
            addNote({true, 0, bars * state.meter / state.unitLength}, state, options, melody);
        } else {
            Pitch pitch;
            if (std::string reason = readPitch(source, state, pitch); !reason.empty()) return reason;
            addNote(pitch, state, options, melody);
        }
        if (melody.size() > longestMelody) return errorAt(source, "the melody is too long");
    }
    return {};
}

bool isFieldLine(std::string_view line) {
    return line.size() >= 2 && std::isalpha(static_cast<unsigned char>(line[0])) && line[1] == ':';
}

}  // namespace

std::string importAbc(std::string_view text, const ImportOptions& options, Melody& melody) {
    AbcState state;
    const bool hasKey = text.starts_with("K:") || text.find("\nK:") != std::string_view::npos;
    bool inBody = !hasKey;
    bool tuneBegun = false;
    for (SourceText source{text}; !atEnd(source);) {
        const std::size_t lineStart = source.position;
        const std::string_view line = lineAt(source);
        const std::size_t lineEnd = lineStart + line.size();
        if (isFieldLine(line)) {
            if (line[0] == 'X' && tuneBegun) break;  // the next tune of the file
            tuneBegun = tuneBegun || line[0] == 'X';
            SourceText field{text, lineStart + 2, lineEnd};
            const std::size_t comment = line.find('%');
            if (comment != std::string_view::npos) field.end = lineStart + comment;
            if (std::string reason = readField(line[0], field, state); !reason.empty()) return reason;
            if (line[0] == 'K') inBody = true;
        } else if (inBody && !line.starts_with("%")) {
            SourceText music{text, lineStart, lineEnd};
            if (std::string reason = readMusic(music, state, options, melody); !reason.empty()) return reason;
        }
        source.position = lineEnd + 1;
    }
    return {};
}
