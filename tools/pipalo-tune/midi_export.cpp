// A tune as a Standard MIDI File, through libsmf: one tick a millisecond, each tone bent to pitch.
#include "midi_export.h"

#include <smf.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "pitch.h"

namespace {

// A quarter note of 1000 ticks lasting 1,000,000 microseconds: a tick is a millisecond.
constexpr int ticksPerQuarter = 1000;
constexpr std::array<std::uint8_t, 6> tempoEvent = {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};

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

using Smf = std::unique_ptr<smf_t, decltype(&smf_delete)>;

// libsmf reports through GLib's log on standard error; the tool reports in its own line.
void ignoreLibraryMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void add(smf_track_t* track, int tick, int status, int first, int second = -1) {
    smf_track_add_event_pulses(track, smf_event_new_from_bytes(status, first, second), tick);
}

void setBendRange(smf_track_t* track) {
    add(track, 0, controlChange, 101, 0);  // registered parameter 0: the bend's range
    add(track, 0, controlChange, 100, 0);
    add(track, 0, controlChange, 6, bendRangeSemitones);
    add(track, 0, controlChange, 38, 0);
}

int bendFor(double cents) {
    const double semitones = cents / 100.0;
    const int bend = bendCentre + static_cast<int>(std::lround(semitones / bendRangeSemitones * bendCentre));
    return std::clamp(bend, 0, bendLargest);
}

}  // namespace

std::string writeMidi(const std::vector<TuneRecord>& records, const std::string& path) {
    g_log_set_default_handler(ignoreLibraryMessage, nullptr);
    Smf smf(smf_new(), smf_delete);
    if (!smf || smf_set_ppqn(smf.get(), ticksPerQuarter) != 0) return "the MIDI library failed";
    smf_track_t* track = smf_track_new();
    smf_add_track(smf.get(), track);
    if (smf_set_format(smf.get(), 0) != 0) return "the MIDI library failed";

    std::array<std::uint8_t, tempoEvent.size()> tempo = tempoEvent;
    smf_track_add_event_pulses(track, smf_event_new_from_pointer(tempo.data(), tempo.size()), 0);
    add(track, 0, programChange, ocarina);
    setBendRange(track);

    // The player takes no time over a record it does not sound.
    std::int64_t tick = 0;
    for (const TuneRecord& record : records) {
        if (!isSounded(record)) continue;
        if (tick + record.duration > INT_MAX) return "the tune is too long for a MIDI file";
        const NearestNote note = nearestNote(record.frequency);
        const int bend = bendFor(note.cents);
        const int start = static_cast<int>(tick);
        add(track, start, pitchBend, bend & 0x7F, bend >> 7);
        add(track, start, noteOn, note.midiNote, velocity);
        tick += record.duration;
        add(track, static_cast<int>(tick), noteOff, note.midiNote, 0);
    }
    if (smf_track_add_eot_pulses(track, static_cast<int>(tick)) != 0) return "the MIDI library failed";
    errno = 0;
    if (smf_save(smf.get(), path.c_str()) != 0)
        return errno ? std::strerror(errno) : "the file could not be written";
    return {};
}
