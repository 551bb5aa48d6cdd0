// ABC, the text notation of folk tunes: a header of fields (X:, T:, M:, L:, Q:, P:, K:) and
// one voice of notes with bars, repeats, endings and parts. The first tune of a file is read.
// Written with the unit note an eighth, every accidental where the bar has not said it yet.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "melody_import.h"
#include "note_values.h"
#include "source_text.h"

namespace {

constexpr std::string_view letters = "CDEFGAB";
// Sharps are added in this order, flats in the reverse one.
constexpr std::string_view sharpOrder = "FCGDAEB";
constexpr std::size_t noEnding = static_cast<std::size_t>(-1);
// Passes of a repeat its endings can name: more than any tune plays, few enough for a bit each.
constexpr unsigned mostPasses = 63;
// Letters and "~" a U: field may make a symbol, and those that are one before any U: field.
constexpr std::string_view redefinable = "HIJKLMNOPQRSTUVWhijklmnopqrstuvw~";
constexpr std::string_view predefinedSymbols = "HLMOPSTuv~";

struct Pitch {
    bool rest = false;
    int midiNote = 0;
    double length = 1;  // in unit lengths
    bool tied = false;  // a "-" after the note inside a chord
};

// "m: ~G3 = G{A}G{F}G": the music that replaces the target where it is written; in a
// transposing macro ("~n2 = n{o}n") "n" stands for any note, and h to z for the notes
// from it.
struct Macro {
    std::string_view target;
    std::string_view replacement;
    std::size_t replacementAt;  // in the source
};
constexpr std::size_t longestMacroTarget = 31;
constexpr std::size_t longestMacroReplacement = 200;
// Every target is tried at every character of the music: their length together bounds
// that work, and is more than any tune's ornaments take.
constexpr std::size_t longestMacroTargets = 256;

// How far an accidental written in a bar carries, as %%propagate-accidentals sets it.
enum class Propagation { noteOnly, octave, pitch };

struct AbcState {
    double unitLength = 1.0 / 8;  // of a whole note
    bool unitLengthGiven = false;
    double meter = 1.0;  // a bar, in whole notes
    bool compoundMeter = false;
    double wholeNoteMilliseconds = 2000;  // a quarter note a beat, 120 beats a minute
    bool tempoGiven = false;
    double unitsPerMinute = 0;            // a header's "Q:120", counted once L: is known
    std::array<int, 7> key{};             // the key's sharp (+1) or flat (-1) of each letter from C
    std::map<int, int> barAccidentals;    // by letter, and octave where they carry no further
    Propagation propagation = Propagation::pitch;
    int transpose = 0;  // semitones of transpose=
    int octaveShift = 0;  // semitones of octave=
    int clefShift = 0;    // semitones of a clef's +8 or -8
    std::string symbols{predefinedSymbols};  // the letters that are symbols, not notes
    bool bangBreaksLines = false;  // "I:linebreak !": "!" breaks the score line
    bool plusSymbols = false;      // "I:decoration +", which I:linebreak ! implies: "+" delimits symbols
    std::vector<Macro> macros;
    std::string macroStarts;  // the first characters of the macros' targets
    std::string expansion;   // of the transposing macro being read
    bool expanding = false;  // a macro's music is not searched for macros again
    bool wordsToldOnce = false;  // a tempo in words alone has been told of

    // What the notes are being read into.
    unsigned tupletLeft = 0;
    double tupletFactor = 1;
    double brokenFactor = 1;   // for the next note, from a > or < after the last one
    bool brokenTaken = false;  // the > or < ahead was applied when the note before it was read
    bool tieOpen = false;
    std::vector<Pitch> graces;  // waiting for the note they lead into
    unsigned overlayBarsLeft = 0;  // bars of a voice overlay ("&") still to pass over
    bool overlayEndsItsBar = false;  // the overlay's last bar line is the first voice's too
    bool barLast = false;  // the last thing read was a bar line

    // Repeats: a ":|" goes back to the last "|:", else to the last double bar, the end of
    // the last ending or the start of the tune (or of its part), whichever came last.
    std::size_t repeatStart = 0;
    bool repeatOpened = false;  // by "|:"
    // Endings: the body of the repeat ends where the first begins; pass n plays the body
    // and the ending that names n, the first time as written, later as a copy of it.
    std::size_t bodyEnd = noEnding;
    double lastLengthOfBody = 0;  // before a tie into the first ending lengthened it
    bool tieIntoEnding = false;
    unsigned pass = 1;
    std::uint64_t passesRecorded = 0;
    std::array<std::pair<std::size_t, std::size_t>, mostPasses + 1> endingOfPass{};
    std::uint64_t endingPasses = 0;  // of the ending being read; 0 outside one
    std::size_t endingStart = 0;
    bool bodyPending = false;  // the next pass's body, played once its ending comes

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
    bool overlaysLeftOut = false;
};

int letterIndex(char letter) {
    const std::size_t index = letters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return index == std::string_view::npos ? -1 : static_cast<int>(index);
}

bool isBlank(char character) { return character == ' ' || character == '\t'; }

// Lines end in LF, CR LF or CR alone.
std::size_t lineEndAt(std::string_view text, std::size_t from) {
    return std::min(text.find_first_of("\r\n", from), text.size());
}

std::size_t nextLineAt(std::string_view text, std::size_t lineEnd) {
    return lineEnd + (text.substr(lineEnd).starts_with("\r\n") ? 2 : 1);
}

void computeDefaultUnitLength(AbcState& state) {
    if (!state.unitLengthGiven) state.unitLength = state.meter < 0.75 ? 1.0 / 16 : 1.0 / 8;
}

// "3/4", "6/8", "C", "C|" or "none".
void readMeter(std::string_view value, AbcState& state) {
    SourceText source{value};
    skipSpaces(source);
    if (takeIf(source, 'C')) {
        takeIf(source, '|');  // common time and cut time both fill a whole note
        state.meter = 1.0;
        state.compoundMeter = false;
        computeDefaultUnitLength(state);
        return;
    }
    takeIf(source, '(');
    std::optional<unsigned> beats = takeNumber(source);
    // "(2+3+2)/8": the beats added.
    while (beats && takeIf(source, '+')) beats = *beats + takeNumber(source).value_or(0);
    takeIf(source, ')');
    if (!beats || !takeIf(source, '/')) return;
    const std::optional<unsigned> unit = takeNumber(source);
    if (!unit || *unit == 0 || *beats == 0) return;
    state.meter = static_cast<double>(*beats) / *unit;
    state.compoundMeter = *beats % 3 == 0 && *beats > 3;
    computeDefaultUnitLength(state);
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

void skipPast(SourceText& source, char closing) {
    while (!atEnd(source) && take(source) != closing) {}
}

// The words of a tempo: in quotes, or without them, as some tunes write them; not the
// "C" of "C=120".
void takeTempoWords(SourceText& source) {
    if (takeIf(source, '"')) {
        skipPast(source, '"');
        return;
    }
    const std::size_t start = source.position;
    while (std::isalpha(static_cast<unsigned char>(peek(source)))) take(source);
    if (peek(source) == '=') source.position = start;
}

void setUnitsPerMinute(AbcState& state) {
    if (state.unitsPerMinute > 0) state.wholeNoteMilliseconds = 60000.0 / state.unitsPerMinute / state.unitLength;
}

// "1/4=120", "3/8=60", "\"Allegro\" 1/4=120", and the old "120" and "C=120", which
// count unit lengths a minute.
std::string readTempo(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    skipSpaces(source);
    const std::size_t textAt = source.position;
    takeTempoWords(source);
    skipSpaces(source);
    if (atEnd(source)) {
        if (source.position > textAt && !std::exchange(state.wordsToldOnce, true))
            melody.notice("Q:" + std::string(source.text.substr(textAt, source.position - textAt)) +
                          " gives no beats a minute: the tempo before it is kept");
        return {};
    }
    const std::size_t start = source.position;
    std::optional<unsigned> number = takeNumber(source);
    if (!number && takeIf(source, 'C')) {
        skipSpaces(source);
        if (takeIf(source, '=')) {
            skipSpaces(source);
            number = takeNumber(source);
            if (!number) return errorAt(source, "expected unit lengths a minute after \"C=\"");
        }
    }
    skipSpaces(source);
    if (number && (atEnd(source) || peek(source) == '"')) {
        if (*number == 0) return errorAt(source, start, "a tempo needs beats a minute above 0");
        state.unitsPerMinute = *number;
        if (state.inBody) setUnitsPerMinute(state);
        state.tempoGiven = true;
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
    state.unitsPerMinute = 0;
    state.wholeNoteMilliseconds = 60000.0 / *perMinute / beat;
    state.tempoGiven = true;
    return {};
}

// The next word of a field, up to a space.
std::string_view takeWord(SourceText& source) {
    skipSpaces(source);
    const std::size_t start = source.position;
    while (!atEnd(source) && !std::isspace(static_cast<unsigned char>(peek(source)))) take(source);
    return source.text.substr(start, source.position - start);
}

// The signed number at `at` of a word such as "transpose=-2", kept within any music's range.
int numberAfter(std::string_view word, std::size_t at) {
    SourceText number{word, at};
    const bool negative = takeIf(number, '-');
    takeIf(number, '+');
    const int value = static_cast<int>(std::min(takeNumber(number).value_or(0), 1000u));
    return negative ? -value : value;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& character : result) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return result;
}

// The clef a word names, "bass", "treble-8", "clef=alto", without its "clef="; else empty.
std::string clefNamed(std::string_view word) {
    const std::string lower = lowered(word);
    if (lower.starts_with("clef=")) return lower.substr(5);
    for (std::string_view name : {"treble", "alto", "tenor", "bass", "perc", "none"})
        if (lower.starts_with(name)) return lower;
    return {};
}

// "clef=treble-8", "bass", "transpose=-2", "t=3", "octave=1": what K: and V: say of the
// playing besides the key. A clef's +8 or -8 moves the notes by an octave.
void readClefOrTransposition(std::string_view word, AbcState& state) {
    const std::string lower = lowered(word);
    if (lower.starts_with("transpose=") || lower.starts_with("t="))
        state.transpose = numberAfter(lower, lower.find('=') + 1);
    else if (lower.starts_with("octave="))
        state.octaveShift = 12 * numberAfter(lower, lower.find('=') + 1);
    else if (const std::string clef = clefNamed(word); !clef.empty())
        state.clefShift = clef.ends_with("+8") ? 12 : clef.ends_with("-8") ? -12 : 0;
}

// "G", "Ebm", "F#mix", "D ^c", "D exp _b ^f", "Hp", "none", "Am transpose=-2": the sharps
// and flats each letter takes. A K: that names no key keeps the one before it.
void readKey(SourceText& source, AbcState& state) {
    skipSpaces(source);
    std::array<int, 7> key{};
    bool keyNamed = atEnd(source);  // an empty K: is no signature
    const std::size_t wordStart = source.position;
    const std::string_view first = takeWord(source);
    source.position = wordStart;
    if (first.starts_with("HP") || first.starts_with("Hp")) {
        // Highland pipes: "Hp" marks F and C sharp; "HP" marks nothing.
        source.position += 2;
        if (first[1] == 'p') key[3] = key[0] = 1;
        keyNamed = true;
    } else if (letterIndex(peek(source)) >= 0 && clefNamed(first).empty()) {
        const int tonic = letterIndex(take(source));
        constexpr std::array<int, 7> fifthsOfLetter = {0, 2, 4, -1, 1, 3, 5};
        int fifths = fifthsOfLetter[static_cast<std::size_t>(tonic)];
        if (takeIf(source, '#')) fifths += 7;
        else if (peek(source) == 'b' && take(source)) fifths -= 7;
        skipSpaces(source);
        std::string mode;
        const std::size_t modeStart = source.position;
        while (std::isalpha(static_cast<unsigned char>(peek(source))))
            mode += static_cast<char>(std::tolower(static_cast<unsigned char>(take(source))));
        static const std::map<std::string, int> modes = {{"", 0},    {"maj", 0},  {"ion", 0},  {"m", -3},
                                                         {"min", -3}, {"aeo", -3}, {"mix", -1}, {"dor", -2},
                                                         {"phr", -4}, {"lyd", 1},  {"loc", -5}};
        const bool modeWord = peek(source) != '=';  // not "m=d", the middle of the staff
        const auto found = modeWord ? modes.find(mode.substr(0, 3)) : modes.end();
        const bool explicitKey = modeWord && mode == "exp";
        if (found != modes.end()) fifths += found->second;
        else if (!explicitKey) source.position = modeStart;  // no mode: a clef or an accidental follows
        fifths = std::clamp(fifths, -7, 7);
        for (int count = 0; count < std::abs(fifths) && !explicitKey; ++count) {
            const char letter = sharpOrder[static_cast<std::size_t>(fifths > 0 ? count : 6 - count)];
            key[static_cast<std::size_t>(letterIndex(letter))] = fifths > 0 ? 1 : -1;
        }
        keyNamed = true;
    }
    // Accidentals written after the key ("K:D =c ^g"), clefs and transpositions.
    for (std::string_view word = takeWord(source); !word.empty(); word = takeWord(source)) {
        if (word == "exp") continue;
        if (word == "none") {
            keyNamed = true;
            continue;
        }
        const std::size_t signs = word.find_first_not_of("^_=");
        if (signs == 0 || signs == std::string_view::npos || letterIndex(word[signs]) < 0) {
            readClefOrTransposition(word, state);
            continue;
        }
        int accidental = 0;
        for (const char sign : word.substr(0, signs)) accidental += sign == '^' ? 1 : sign == '_' ? -1 : 0;
        key[static_cast<std::size_t>(letterIndex(word[signs]))] = accidental;
        keyNamed = true;
    }
    if (keyNamed) state.key = key;
}

// "3", "/", "//", "3/2", "/4": a multiple of the unit length.
double readLength(SourceText& source) {
    double length = takeNumber(source).value_or(1);
    while (takeIf(source, '/')) length /= static_cast<double>(takeNumber(source).value_or(2));
    return length;
}

// An accidental, a letter, its octave marks and its length; or a rest.
std::string readPitch(SourceText& source, AbcState& state, Pitch& pitch) {
    if (peek(source) == 'z' || peek(source) == 'x') {
        take(source);
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
    if (index < 0 || !std::isalpha(static_cast<unsigned char>(letter))) {
        if (!explicitAccidental && redefinable.find(letter) != std::string_view::npos)
            return errorAt(source, at, std::string("\"") + letter + "\" is no note, and no U: field makes it a symbol (ABC 2.1, 4.16)");
        return errorAt(source, at, "expected a note");
    }
    take(source);
    int octave = std::islower(static_cast<unsigned char>(letter)) ? 5 : 4;
    for (;; take(source)) {
        if (peek(source) == '\'') ++octave;
        else if (peek(source) == ',') --octave;
        else break;
    }
    if (octave < -1 || octave > 9) return errorAt(source, at, "the note is outside any octave");
    // An accidental carries to the bar's end: in every octave by default, or in its own.
    const int slot = state.propagation == Propagation::octave ? octave * 7 + index : index;
    if (explicitAccidental) {
        if (state.propagation != Propagation::noteOnly) state.barAccidentals[slot] = accidental;
    } else if (const auto kept = state.barAccidentals.find(slot); kept != state.barAccidentals.end())
        accidental = kept->second;
    else accidental = state.key[static_cast<std::size_t>(index)];
    const int midiNote = 12 * (octave + 1) + semitoneOfLetter(letter) + accidental + state.transpose +
                         state.octaveShift + state.clefShift;
    pitch = {false, midiNote, readLength(source)};
    return {};
}

// A repeated section starts afresh, with no ending read.
void startRepeat(AbcState& state, std::size_t at, bool opened) {
    state.repeatStart = at;
    state.repeatOpened = opened;
    state.bodyEnd = noEnding;
    state.pass = 1;
    state.passesRecorded = 0;
    state.endingPasses = 0;
    state.bodyPending = false;
}

// The body of the repeat once more, its last note as long as before a tie into the first ending.
void replayBody(AbcState& state, MelodyBuilder& melody) {
    melody.replay(state.repeatStart, state.bodyEnd);
    if (state.bodyEnd > state.repeatStart && !melody.full()) {
        melody.melody.back().milliseconds = state.lastLengthOfBody;
        state.tieOpen = state.tieIntoEnding;
    }
}

// Passes past the last an ending can name are named by none.
std::uint64_t passBit(unsigned pass) { return pass <= mostPasses ? std::uint64_t{1} << pass : 0; }

// ":|": back to the start of the repeat, or, at the end of an ending, on to the next pass:
// the passes whose endings were read already are played at once, the next one waits for its ending.
void endRepeat(AbcState& state, MelodyBuilder& melody) {
    if (state.endingPasses == 0) {
        if (state.bodyEnd == noEnding) melody.replay(state.repeatStart, melody.size());
        startRepeat(state, melody.size(), false);
        return;
    }
    for (unsigned pass = 1; pass <= mostPasses; ++pass) {
        if ((state.endingPasses & passBit(pass)) && !(state.passesRecorded & passBit(pass))) {
            state.passesRecorded |= passBit(pass);
            state.endingOfPass[pass] = {state.endingStart, melody.size()};
        }
    }
    state.endingPasses = 0;
    for (++state.pass; state.pass <= mostPasses && (state.passesRecorded & passBit(state.pass)) && !melody.full(); ++state.pass) {
        replayBody(state, melody);
        melody.replay(state.endingOfPass[state.pass].first, state.endingOfPass[state.pass].second);
    }
    state.bodyPending = state.pass <= mostPasses;
}

// "1", "2", "1,3", "1-3", "1,3,5-7" after a bar or "[": the passes of the repeat the ending is played on.
std::string readEnding(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    std::uint64_t passes = 0;
    do {
        const std::size_t at = source.position;
        const unsigned from = takeNumber(source).value_or(0);
        const unsigned to = takeIf(source, '-') ? takeNumber(source).value_or(0) : from;
        if (from == 0 || to < from || to > mostPasses)
            return errorAt(source, at, "an ending is numbered 1 to " + std::to_string(mostPasses));
        for (unsigned pass = from; pass <= to; ++pass) passes |= passBit(pass);
    } while (takeIf(source, ',') && std::isdigit(static_cast<unsigned char>(peek(source))));
    if (state.bodyEnd == noEnding) {
        state.bodyEnd = melody.size();
        state.lastLengthOfBody = melody.size() > state.repeatStart ? melody.melody.back().milliseconds : 0;
        state.tieIntoEnding = state.tieOpen;
    } else if (state.bodyPending) {
        replayBody(state, melody);
    }
    state.bodyPending = false;
    if (!(passes & passBit(state.pass)))  // an ending out of order is played when it is written
        while (state.pass < mostPasses && !(passes & passBit(state.pass))) ++state.pass;
    state.endingPasses = passes;
    state.endingStart = melody.size();
    return {};
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

// What a broken rhythm of `count` signs multiplies the first or the second note of its pair by.
double brokenLength(char sign, unsigned count, bool first) {
    const double shortened = std::ldexp(1.0, -static_cast<int>(std::min(count, 8u)));
    return (sign == '>') == first ? 2 - shortened : shortened;
}

// A ">" or "<" after a note, past spaces and the grace notes of the next one, which it
// passes over: its count, and the sign in `sign`.
unsigned brokenRhythmAhead(SourceText ahead, char& sign) {
    skipSpaces(ahead);
    if (peek(ahead) == '{') {
        while (!atEnd(ahead) && take(ahead) != '}') {}
        skipSpaces(ahead);
    }
    sign = peek(ahead);
    unsigned count = 0;
    for (; (sign == '>' || sign == '<') && peek(ahead) == sign; take(ahead)) ++count;
    return count;
}

void addNote(const Pitch& pitch, SourceText& source, AbcState& state, MelodyBuilder& melody) {
    if (state.bodyPending) startRepeat(state, melody.size(), false);  // no ending for this pass: the repeat is over
    state.barLast = false;
    if (!state.tempoGiven) {
        state.tempoGiven = true;
        melody.notice("no tempo (Q:) before the first note: 1/4=120 assumed");
    }
    double milliseconds = pitch.length * state.unitLength * state.wholeNoteMilliseconds * state.brokenFactor;
    state.brokenFactor = 1;
    char sign = 0;
    if (const unsigned count = brokenRhythmAhead(source, sign); count > 0) {
        milliseconds *= brokenLength(sign, count, true);
        state.brokenFactor = brokenLength(sign, count, false);
        state.brokenTaken = true;
    }
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
    state.tieOpen = pitch.tied;
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
// The note before it took its share when it was read, unless a bar or the line's end came between.
void readBrokenRhythm(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    const char sign = take(source);
    unsigned count = 1;
    for (; peek(source) == sign; take(source)) ++count;
    if (state.brokenTaken) {
        state.brokenTaken = false;
        return;
    }
    if (melody.size() > 0) melody.melody.back().milliseconds *= brokenLength(sign, count, true);
    state.brokenFactor = brokenLength(sign, count, false);
}

// "|", "||", "|]", "|:", ":|", "::", "|1", ":|2", and "[1" after them. An ending lasts to
// its ":|" or a double bar; one after the first also ends at its bar line.
std::string readBar(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    unsigned closing = 0;
    for (; peek(source) == ':'; take(source)) ++closing;
    unsigned strokes = 0;
    for (; peek(source) == '|' || peek(source) == ']' || (peek(source) == '[' && peek(source, 1) == '|'); take(source))
        ++strokes;
    unsigned opening = 0;
    for (; peek(source) == ':'; take(source)) ++opening;
    if (strokes == 0 && closing > 1) opening = 1;  // "::" ends one repeat and opens the next
    state.barAccidentals.clear();
    state.barLast = true;
    if (closing > 0) endRepeat(state, melody);
    else if (state.endingPasses != 0 && (strokes > 1 || !(state.endingPasses & passBit(1))))
        startRepeat(state, melody.size(), false);
    else if (strokes > 1 && !state.repeatOpened && state.bodyEnd == noEnding)
        startRepeat(state, melody.size(), false);
    if (opening > 0) startRepeat(state, melody.size(), true);
    if (peek(source) == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) take(source);
    if (std::isdigit(static_cast<unsigned char>(peek(source)))) return readEnding(source, state, melody);
    return {};
}

// "[CEG]2": Pipalo plays one tone at a time, the chord's highest, as long as the chord's
// first note; a tie on that note inside the chord ("[CEG-]") ties the tone.
std::string readChord(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    const std::size_t at = source.position;
    take(source);
    Pitch highest;
    bool first = true;
    while (peek(source) != ']') {
        if (atEnd(source)) return errorAt(source, at, "a chord without its \"]\"");
        const char next = peek(source);
        if (std::isspace(static_cast<unsigned char>(next)) || state.symbols.find(next) != std::string::npos || next == '.') {
            take(source);
            continue;
        }
        if (next == '-') {  // taken with the note before it
            take(source);
            continue;
        }
        if (next == '!' || next == '"') {
            take(source);
            skipPast(source, next);
            continue;
        }
        Pitch pitch;
        if (std::string reason = readPitch(source, state, pitch); !reason.empty()) return reason;
        const bool tied = peek(source) == '-';
        if (first) highest.length = pitch.length;
        if (first || pitch.midiNote > highest.midiNote) {
            highest.midiNote = pitch.midiNote;
            highest.rest = pitch.rest;
            highest.tied = tied;
        }
        first = false;
    }
    take(source);
    highest.length *= readLength(source);
    if (first) return errorAt(source, at, "a chord without notes");
    addNote(highest, source, state, melody);
    return {};
}

// "{g}", "{/ag}", "{c2d}", "{a>b}": the grace notes before a note.
std::string readGraces(SourceText& source, AbcState& state) {
    const std::size_t at = source.position;
    take(source);
    state.graces.clear();
    double brokenFactor = 1;
    while (peek(source) != '}') {
        if (atEnd(source)) return errorAt(source, at, "grace notes without their \"}\"");
        const char next = peek(source);
        if (next == '/' || std::isspace(static_cast<unsigned char>(next))) {
            take(source);
            continue;
        }
        if (next == '>' || next == '<') {
            unsigned count = 0;
            for (; peek(source) == next; take(source)) ++count;
            if (!state.graces.empty()) state.graces.back().length *= brokenLength(next, count, true);
            brokenFactor = brokenLength(next, count, false);
            continue;
        }
        Pitch grace;
        if (std::string reason = readPitch(source, state, grace); !reason.empty()) return reason;
        grace.length *= brokenFactor;
        brokenFactor = 1;
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

// "%%propagate-accidentals pitch", "I:linebreak !", "I:decoration +": the directives
// that change what the music means; the others only lay it out.
void readDirective(SourceText source, AbcState& state) {
    const std::string_view name = takeWord(source);
    const std::string_view value = takeWord(source);
    if (name == "propagate-accidentals") {
        if (value == "not") state.propagation = Propagation::noteOnly;
        else if (value == "octave") state.propagation = Propagation::octave;
        else if (value == "pitch") state.propagation = Propagation::pitch;
    } else if (name == "linebreak") {
        state.bangBreaksLines = false;
        for (std::string_view word = value; !word.empty(); word = takeWord(source))
            state.bangBreaksLines = state.bangBreaksLines || word == "!";
        state.plusSymbols = state.bangBreaksLines;
    } else if (name == "decoration") {
        state.plusSymbols = value == "+";
    }
}

// "U: T = !trill!", "U: p = \"^+\"": the letter becomes a symbol, which plays no note.
void readUserSymbol(SourceText source, AbcState& state) {
    skipSpaces(source);
    const char symbol = peek(source);
    if (redefinable.find(symbol) != std::string_view::npos && state.symbols.find(symbol) == std::string::npos)
        state.symbols += symbol;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(" \t") + 1 - start);
}

// "m: ~g2 = {a}g{f}g": a later macro of the same target replaces the earlier one.
std::string readMacro(SourceText source, AbcState& state) {
    const std::string_view value = source.text.substr(source.position, std::min(source.end, source.text.size()) - source.position);
    const std::size_t equals = value.find('=');
    const Macro macro{trimmed(value.substr(0, equals)), equals == std::string_view::npos ? std::string_view{} : trimmed(value.substr(equals + 1)), 0};
    if (macro.target.empty() || equals == std::string_view::npos)
        return errorAt(source, "expected a macro: a target, \"=\" and the music that replaces it (ABC 2.1, 9.1)");
    if (macro.target.size() > longestMacroTarget || macro.replacement.size() > longestMacroReplacement)
        return errorAt(source, "a macro's target holds at most 31 characters, its music 200 (ABC 2.1, 9.1)");
    const Macro placed{macro.target, macro.replacement,
                       static_cast<std::size_t>(macro.replacement.data() - source.text.data())};
    for (Macro& known : state.macros)
        if (known.target == macro.target) {
            known = placed;
            return {};
        }
    std::size_t targets = placed.target.size();
    for (const Macro& known : state.macros) targets += known.target.size();
    if (targets > longestMacroTargets)
        return errorAt(source, "the macros' targets hold more than 256 characters together: more than any tune needs");
    state.macros.push_back(placed);
    // A transposing target's "n" starts with any note.
    for (const char start : placed.target[0] == 'n' ? std::string_view("ABCDEFGabcdefg") : placed.target.substr(0, 1))
        if (state.macroStarts.find(start) == std::string::npos) state.macroStarts += start;
    return {};
}

bool continuesLength(char next) { return std::isdigit(static_cast<unsigned char>(next)) || next == '/'; }

// How many characters at the position the macro's target matches, or 0; a transposing
// target's note, octave marks included, in `note`.
std::size_t macroMatch(const SourceText& source, const Macro& macro, std::string_view& note) {
    if (macro.target[0] != peek(source) && macro.target[0] != 'n') return 0;
    const std::string_view text = source.text.substr(source.position, std::min(source.end, source.text.size()) - source.position);
    const std::size_t any = macro.target.find('n');
    std::size_t length = 0;
    if (any == std::string_view::npos) {
        if (!text.starts_with(macro.target)) return 0;
        length = macro.target.size();
    } else {
        if (!text.starts_with(macro.target.substr(0, any)) || text.size() <= any || letterIndex(text[any]) < 0) return 0;
        std::size_t end = any + 1;
        while (end < text.size() && (text[end] == ',' || text[end] == '\'')) ++end;
        note = text.substr(any, end - any);
        if (!text.substr(end).starts_with(macro.target.substr(any + 1))) return 0;
        length = end + macro.target.size() - any - 1;
    }
    // "~G3" is not the start of "~G32".
    if (continuesLength(macro.target.back()) && length < text.size() && continuesLength(text[length])) return 0;
    return length;
}

// A transposing macro's music for the note: h to z are the notes from n up and down the scale.
void transposeMacro(const Macro& macro, std::string_view note, std::string& expansion) {
    int octave = std::islower(static_cast<unsigned char>(note[0])) ? 5 : 4;
    for (const char mark : note.substr(1)) octave += mark == '\'' ? 1 : -1;
    const int step = octave * 7 + letterIndex(note[0]);
    expansion.clear();
    for (const char character : macro.replacement) {
        if (character < 'h' || character > 'z') {
            expansion += character;
            continue;
        }
        const int target = step + (character - 'n');
        const int targetOctave = target >= 0 ? target / 7 : (target - 6) / 7;
        const char letter = letters[static_cast<std::size_t>(target - targetOctave * 7)];
        expansion += targetOctave >= 5 ? static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) : letter;
        expansion.append(static_cast<std::size_t>(std::max(0, targetOctave - 5)), '\'');
        expansion.append(static_cast<std::size_t>(std::max(0, 4 - targetOctave)), ',');
    }
}

std::string readMusic(SourceText& source, AbcState& state, MelodyBuilder& melody);

// The macro whose target is at the position, read in its place: true when one was.
bool readMacroUse(SourceText& source, AbcState& state, MelodyBuilder& melody, std::string& reason) {
    if (state.macroStarts.find(peek(source)) == std::string::npos) return false;
    for (const Macro& macro : state.macros) {
        std::string_view note;
        const std::size_t length = macroMatch(source, macro, note);
        if (length == 0) continue;
        SourceText music{source.text, macro.replacementAt, macro.replacementAt + macro.replacement.size()};
        if (!note.empty()) {
            transposeMacro(macro, note, state.expansion);
            music = SourceText{state.expansion};
        }
        state.expanding = true;
        reason = readMusic(music, state, melody);
        state.expanding = false;
        if (!reason.empty())
            reason = errorAt(source, "the macro " + std::string(macro.target) + " makes no music (ABC 2.1, 9): " +
                                         reason.substr(reason.find(": ") + 2));
        source.position += length;
        return true;
    }
    return false;
}

// "V:1 clef=bass transpose=-2": the voice, and what it says of the playing.
void readVoice(SourceText source, AbcState& state, MelodyBuilder& melody) {
    const std::string voice(takeWord(source));
    if (state.firstVoice.empty()) state.firstVoice = voice;
    const bool first = voice == state.firstVoice;
    if (first)
        for (std::string_view word = takeWord(source); !word.empty(); word = takeWord(source))
            readClefOrTransposition(word, state);
    if (!state.inBody) return;
    state.otherVoice = !first;
    if (state.otherVoice && !state.voicesLeftOut) {
        state.voicesLeftOut = true;
        melody.notice("voices after the first (V:" + state.firstVoice + ") left out: a tune file plays one tone at a time");
    }
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
        case 'Q': return readTempo(source, state, melody);
        case 'K':
            readKey(source, state);
            if (!state.inBody) setUnitsPerMinute(state);  // the header's unit length is known now
            return {};
        case 'V': readVoice(source, state, melody); return {};
        case 'U': readUserSymbol(source, state); return {};
        case 'm': return readMacro(source, state);
        case 'I': readDirective(source, state); return {};
        case 'P':
            skipSpaces(source);
            if (!state.inBody) {
                state.orderAt = source.position;
                state.order = source.text.substr(source.position, source.end - source.position);
            } else if (std::isalpha(static_cast<unsigned char>(peek(source))) && !state.order.empty()) {
                // Without an order in the header, a part is only a label.
                startPart(static_cast<char>(std::toupper(static_cast<unsigned char>(peek(source)))), state, melody);
            }
            return {};
        default: return {};  // titles, composers, words and the rest make no sound
    }
}

// "!trill!" is a symbol; a "!" with no other before a space, a bar or the line's end
// breaks the score line, as old tunes write it.
bool isSymbolAhead(const SourceText& source) {
    for (std::size_t ahead = 1;; ++ahead) {
        const char next = peek(source, ahead);
        if (next == '!') return true;
        if (next == '\0' || next == '|' || next == '[' || next == ':' || next == ']' ||
            std::isspace(static_cast<unsigned char>(next)))
            return false;
    }
}

// "+CEG+": notes of two letters or more between + signs are a chord of old, not a symbol
// such as "+trill+" or "+ff+".
bool isOldChordAhead(const SourceText& source) {
    std::string noteLetters;
    for (std::size_t ahead = 1;; ++ahead) {
        const char next = peek(source, ahead);
        if (next == '+') return noteLetters.size() > 1;
        if (next == '\0' || std::string_view("^_=,'/0123456789").find(next) == std::string_view::npos) {
            if (letterIndex(next) < 0 || !std::isalpha(static_cast<unsigned char>(next))) return false;
            if (noteLetters.find(next) == std::string::npos) noteLetters += next;
        }
    }
}

// "&": the notes after it, up to as many bar lines as there were "&", are another voice
// sounding with the bar before them.
void readOverlay(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    state.overlayBarsLeft = 0;
    state.overlayEndsItsBar = !state.barLast;
    for (; peek(source) == '&'; take(source)) ++state.overlayBarsLeft;
    if (!state.overlaysLeftOut) {
        state.overlaysLeftOut = true;
        melody.notice("voice overlays (&) left out: a tune file plays one tone at a time");
    }
}

// Inside an overlay: its notes are passed over up to the bar lines that end it. An
// overlay begun inside a bar ends at that bar's line, which is then read as the first voice's.
void passOverlay(SourceText& source, AbcState& state) {
    const char next = peek(source);
    if ((next == '|' || (next == ':' && peek(source, 1) == '|')) && state.overlayBarsLeft == 1 && state.overlayEndsItsBar) {
        state.overlayBarsLeft = 0;
        return;
    }
    take(source);
    if (next == '"' || next == '!') skipPast(source, next);
    else if (next == '|' || (next == ':' && peek(source) == '|')) {
        while (peek(source) == '|' || peek(source) == ':' || peek(source) == ']' || std::isdigit(static_cast<unsigned char>(peek(source))))
            take(source);
        --state.overlayBarsLeft;
    }
}

std::string readMusic(SourceText& source, AbcState& state, MelodyBuilder& melody) {
    while (!atEnd(source) && !melody.full()) {
        if (!state.expanding) melody.at(source.position);
        const char next = peek(source);
        if (next == '%') return {};
        if (state.otherVoice && !(next == '[' && peek(source, 1) == 'V' && peek(source, 2) == ':')) {
            take(source);
            continue;
        }
        std::string reason;
        if (!state.expanding && state.overlayBarsLeft == 0 && readMacroUse(source, state, melody, reason)) {
            if (!reason.empty()) return reason;
        } else if (next == '&') {
            readOverlay(source, state, melody);
        } else if (state.overlayBarsLeft > 0) {
            passOverlay(source, state);
        } else if (next == 'y') {
            take(source);
            takeNumber(source);  // a spacer's width, as some programs write it
        } else if (std::isspace(static_cast<unsigned char>(next)) || next == '\\' || next == '`' ||
                   next == ')' || next == '$' || std::string_view("#*;?@").find(next) != std::string_view::npos ||
                   state.symbols.find(next) != std::string::npos || next == '.') {
            // Spacing, score line breaks, slurs, symbols, and the characters kept for later versions.
            take(source);
        } else if (next == '{') {
            if (std::string reason = readGraces(source, state); !reason.empty()) return reason;
        } else if (next == '!' && (state.bangBreaksLines || !isSymbolAhead(source))) {
            take(source);
        } else if (next == '!' && state.plusSymbols) {
            return errorAt(source, "a !symbol! after I:decoration +, which makes + the sign of symbols (ABC 2.1, 12.1.2)");
        } else if (next == '+' && !state.plusSymbols && isOldChordAhead(source)) {
            return errorAt(source, "a chord between + signs, as abc before 1.6 wrote it, is obsolete: write it "
                                   "between [ and ] (ABC 2.1, 12.1.3)");
        } else if (next == '"' || next == '!' || next == '+') {
            take(source);
            skipPast(source, next);
        } else if (next == '(') {
            take(source);
            if (std::isdigit(static_cast<unsigned char>(peek(source)))) readTuplet(source, state);
        } else if (next == '|' || next == ':' || (next == '[' && peek(source, 1) == '|')) {
            if (std::string reason = readBar(source, state, melody); !reason.empty()) return reason;
        } else if (next == '[' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) {
            take(source);
            if (std::string reason = readEnding(source, state, melody); !reason.empty()) return reason;
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
            addNote({true, 0, bars * state.meter / state.unitLength}, source, state, melody);
        } else {
            Pitch pitch;
            if (std::string reason = readPitch(source, state, pitch); !reason.empty()) return reason;
            addNote(pitch, source, state, melody);
        }
    }
    return {};
}

// "K:G", and "+:", which continues the field before it.
bool isFieldLine(std::string_view line) {
    return line.size() >= 2 && (std::isalpha(static_cast<unsigned char>(line[0])) || line[0] == '+') && line[1] == ':';
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

bool hasLineStarting(std::string_view text, std::string_view start) {
    if (text.starts_with(start)) return true;
    for (std::size_t at = text.find(start); at != std::string_view::npos; at = text.find(start, at + 1))
        if (text[at - 1] == '\n' || text[at - 1] == '\r') return true;
    return false;
}

bool isEmptyLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), isBlank);
}

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// The empty line at `emptyLine` ends the tune: text other than the next tune after it is
// told of, for a tune that may have meant it as music.
void tellTextAfter(std::string_view text, std::size_t emptyLine, MelodyBuilder& melody) {
    for (std::size_t lineStart = emptyLine; lineStart < text.size();) {
        const std::size_t lineEnd = lineEndAt(text, lineStart);
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        if (!isEmptyLine(line)) {
            if (line.starts_with("X:")) return;
            const std::string place = placeOf(text, emptyLine);
            melody.notice("the tune ends at its empty line, " + place.substr(0, place.find(',')) +
                          "; the text after it is not music (ABC 2.1, 2.2.1)");
            return;
        }
        lineStart = nextLineAt(text, lineEnd);
    }
}

std::string importAbc(std::string_view text, MelodyBuilder& melody) {
    AbcState state;
    // A file of tunes begins each with X: and ends it with an empty line; a fragment
    // without X: is one tune. The body starts at K:, or, in a text with no K: at all, at once.
    const std::size_t start = text.starts_with(byteOrderMark) ? byteOrderMark.size() : 0;
    const bool tunes = hasLineStarting(text.substr(start), "X:");
    const bool keyless = !hasLineStarting(text.substr(start), "K:");
    state.inBody = !tunes && keyless;
    bool tuneBegun = !tunes;
    bool bodyBegun = false;
    for (std::size_t lineStart = start; lineStart < text.size() && !melody.full();) {
        const std::size_t lineEnd = lineEndAt(text, lineStart);
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        if (isFieldLine(line)) {
            if (line[0] == 'X' && tuneBegun && tunes) break;  // the next tune of the file
            tuneBegun = tuneBegun || line[0] == 'X';
            state.inBody = state.inBody || (tuneBegun && keyless);
            SourceText field{text, lineStart + 2, lineEnd};
            const std::size_t comment = line.find('%');
            if (comment != std::string_view::npos) field.end = lineStart + comment;
            melody.at(lineStart);
            if (std::string reason = readField(line[0], field, state, melody); !reason.empty()) return reason;
            if (line[0] == 'K' && tuneBegun) state.inBody = bodyBegun = true;
        } else if (line.starts_with("%%")) {
            readDirective({text, lineStart + 2, lineEnd}, state);
        } else if (isEmptyLine(line)) {
            if (bodyBegun) {
                tellTextAfter(text, lineStart, melody);
                break;
            }
            if (tuneBegun && tunes)
                return melody.failureAt(lineStart, "the empty line ends the tune before its K: field (ABC 2.1, 2.2.1)");
        } else if (state.inBody && !line.starts_with("%")) {
            bodyBegun = true;
            SourceText music{text, lineStart, lineEnd};
            if (std::string reason = readMusic(music, state, melody); !reason.empty()) return reason;
        }
        lineStart = nextLineAt(text, lineEnd);
    }
    if (keyless && melody.size() > 0) melody.notice("the tune gives no K: field: no sharps or flats assumed");
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

// From Do0 (C,,,,) to the top of MIDI's notes.
const NoteValueSet abcValues = {{1, 2, 4, 8, 16, 32}, 25, 900, HUGE_VAL, 12, 127, "Do0"};
constexpr std::array<char, 12> semitoneLetters = {'C', 'C', 'D', 'D', 'E', 'F', 'F', 'G', 'G', 'A', 'A', 'B'};
constexpr std::array<bool, 12> semitoneSharps = {false, true,  false, true,  false, false,
                                                  true,  false, true,  false, true,  false};
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

std::string writeAbc(const Melody& melody, MelodyOutput& output) {
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
            const std::size_t letterIndex = static_cast<std::size_t>(semitoneLetters[semitone] - 'A');
            bool& sharp = sharpInBar[static_cast<std::size_t>(octave)][letterIndex];
            bool& sharpLetter = sharpLetterInBar[letterIndex];
            if (semitoneSharps[semitone] != sharp || semitoneSharps[semitone] != sharpLetter)
                text += semitoneSharps[semitone] ? '^' : '=';
            sharp = sharpLetter = semitoneSharps[semitone];
            if (octave >= 5) {
                text += static_cast<char>(std::tolower(static_cast<unsigned char>(semitoneLetters[semitone])));
                text.append(static_cast<std::size_t>(octave - 5), '\'');
            } else {
                text += semitoneLetters[semitone];
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

}  // namespace

extern const MelodyFormat abcFormat = {
    "abc", {".abc"}, "ABC notation, its first tune: \"X:1 L:1/8 K:G |:GABc d2B2:|\"", false,
    resemblesAbc, importAbc, writeAbc,
};
