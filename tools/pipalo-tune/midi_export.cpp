// A tune as a Standard MIDI File, written here beside the MIDI reader: one pass over the
// records, one tick a millisecond, each tone bent to pitch.
#include "midi_export.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "output_file.h"
#include "pitch.h"

namespace {

// A quarter note of 1000 ticks lasting 1,000,000 microseconds: a tick is a millisecond.
constexpr int ticksPerQuarter = 1000;
constexpr std::uint32_t microsecondsPerQuarter = 1000000;

constexpr int noteOn = 0x90;
constexpr int noteOff = 0x80;
constexpr int controlChange = 0xB0;
constexpr int programChange = 0xC0;
constexpr int pitchBend = 0xE0;
constexpr int velocity = 100;
// A sine sounds most like General MIDI's ocarina.
constexpr int ocarina = 79;

// The bend's range is set to two semitones, the usual default, so that a player that
// defaults otherwise still bends the way the file means.
constexpr int bendRangeSemitones = 2;
constexpr int bendCentre = 8192;
constexpr int bendLargest = 16383;

void appendBigEndian(std::string& bytes, std::uint32_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

// Seven bits a byte, the most significant first, each but the last with its top bit set.
void appendVariableLength(std::string& bytes, std::uint32_t value) {
    int shift = 0;
    while (shift < 28 && (value >> (shift + 7)) != 0) shift += 7;
    for (; shift > 0; shift -= 7) bytes += static_cast<char>(0x80 | ((value >> shift) & 0x7F));
    bytes += static_cast<char>(value & 0x7F);
}

// The events of the one track, each after its time since the one before.
class Track {
public:
    void add(std::uint32_t delta, std::initializer_list<int> event) {
        appendVariableLength(bytes, delta);
        for (const int byte : event) bytes += static_cast<char>(byte);
    }
    const std::string& events() const { return bytes; }

private:
    std::string bytes;
};

int bendFor(double cents) {
    const double semitones = cents / 100.0;
    const int bend = bendCentre + static_cast<int>(std::lround(semitones / bendRangeSemitones * bendCentre));
    return std::clamp(bend, 0, bendLargest);
}

}  // namespace

std::string midiFile(const std::vector<TuneRecord>& records) {
    Track track;
    track.add(0, {0xFF, 0x51, 0x03, (microsecondsPerQuarter >> 16) & 0xFF, (microsecondsPerQuarter >> 8) & 0xFF,
                  microsecondsPerQuarter & 0xFF});
    track.add(0, {programChange, ocarina});
    track.add(0, {controlChange, 101, 0});  // registered parameter 0: the bend's range
    track.add(0, {controlChange, 100, 0});
    track.add(0, {controlChange, 6, bendRangeSemitones});
    track.add(0, {controlChange, 38, 0});
    // The player takes no time over a record it does not sound.
    for (const TuneRecord& record : records) {
        if (!isSounded(record)) continue;
        const NearestNote note = nearestNote(record.frequency);
        const int bend = bendFor(note.cents);
        track.add(0, {pitchBend, bend & 0x7F, bend >> 7});
        track.add(0, {noteOn, note.midiNote, velocity});
        track.add(record.duration, {noteOff, note.midiNote, 0});
    }
    track.add(0, {0xFF, 0x2F, 0x00});  // the end of the track

    std::string bytes = "MThd";
    appendBigEndian(bytes, 6, 4);
    appendBigEndian(bytes, 0, 2);  // format 0: one track
    appendBigEndian(bytes, 1, 2);
    appendBigEndian(bytes, ticksPerQuarter, 2);
    bytes += "MTrk";
    appendBigEndian(bytes, static_cast<std::uint32_t>(track.events().size()), 4);
    return bytes + track.events();
}

std::string writeMidi(const std::vector<TuneRecord>& records, const std::string& path) {
    return writeOutput(path, midiFile(records));
}
