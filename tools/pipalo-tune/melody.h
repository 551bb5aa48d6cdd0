// A melody read from another program's format: its tones and rests in order, before
// they become a tune's records, and the builder every importer makes it with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct MelodyEvent {
    double frequency;     // hertz; 0 for a rest
    double milliseconds;
};

using Melody = std::vector<MelodyEvent>;

constexpr double restFrequency = 0.0;

struct ImportOptions {
    double a4 = 440.0;  // the La the other notes are tuned from
    int track = 0;      // a MIDI file's track to take, counted from 1; 0 for any
    int channel = 0;    // a MIDI file's channel to take, 1 to 16; 0 for any
    int transpose = 0;     // equal-tempered semitones every tone moves by
    double tempo = 100.0;  // percent of the written speed: 200 plays twice as fast
};

// More tones and rests than any song has: an importer refuses a melody longer, so that a
// hostile file cannot fill the memory.
constexpr std::size_t longestMelody = 200000;
// Ten hours of notes: more than any tune, few enough records for any memory.
constexpr double longestTune = 10 * 3600 * 1000.0;

// "1 tone", "2 tones": a count in the words of the messages.
std::string counted(std::size_t count, const char* one, const char* many);

// Rounded as a tune file is: each event lasts from its start rounded to the millisecond
// to its end rounded, so that roundings do not add up over a long melody.
std::vector<long> wholeMilliseconds(const Melody& melody);

// Semitones above Do of a note letter, in either case ("h" is the German name of Si);
// -1 for another character.
int semitoneOfLetter(char letter);

// Makes the melody as an importer reads it: it knows where in the source the next events
// come from, tunes note numbers from the options' La, and stops taking events at the cap,
// so that the importer's work ends with the melody's length.
struct MelodyBuilder {
    MelodyBuilder(std::string_view source, bool binary, const ImportOptions& options);

    // Where in the source the next events come from, for the failure that names it.
    void at(std::size_t offset) { position = offset; }
    // A note as MIDI numbers it (69 is La4), equal-tempered.
    void note(int midiNote, double milliseconds);
    // A frequency as the source gives it; one Pipalo cannot sound (below 37 Hz) is a rest,
    // as scripts use it.
    void tone(double hertz, double milliseconds);
    void rest(double milliseconds);
    // The events from `from` to `to` once more, as a repeat plays them.
    void replay(std::size_t from, std::size_t to);
    // The melody made again of its pieces (from, to) in the order given, as parts play.
    void rearrange(const std::vector<std::pair<std::size_t, std::size_t>>& pieces);
    // The frequency of a note as MIDI numbers it.
    double pitch(int midiNote) const;
    // True once the melody is too long: nothing more is taken, and the import fails.
    bool full() const { return !overflow.empty(); }
    std::size_t size() const { return melody.size(); }
    // "line 3, column 7: message", or "byte 12: message" in a binary source.
    std::string failureAt(std::size_t offset, const std::string& message) const;
    void notice(std::string message) { notices.push_back(std::move(message)); }

    std::string_view source;
    bool binary;
    ImportOptions options;
    std::size_t position = 0;
    Melody melody;
    std::string overflow;  // the failure at the place the cap was reached
    std::vector<std::string> notices;

private:
    void add(MelodyEvent event);
};
