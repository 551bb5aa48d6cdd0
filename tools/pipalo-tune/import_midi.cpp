// Standard MIDI Files of format 0 and 1, read with libsmf: one voice, the highest note
// sounding at each moment (or only the track or channel asked for), in real time after
// every tempo change.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "melody_import.h"

// After the standard headers: the library declares GLib inside extern "C".
#include <smf.h>

namespace {

using Smf = std::unique_ptr<smf_t, decltype(&smf_delete)>;

constexpr int percussionChannel = 9;  // channel 10, counted from 0: drums have no pitch

struct SoundingNote {
    int pitch;
    int channel;
    std::size_t serial;  // which note-on it came from
};

struct Skyline {
    std::vector<SoundingNote> sounding;
    double segmentStart = 0;
    std::size_t lastSerial = static_cast<std::size_t>(-1);
    double pendingRest = 0;
    bool begun = false;
    std::size_t nextSerial = 0;
};

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

std::uint32_t bigEndian(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) << 24 |
                                      static_cast<unsigned char>(bytes[at + 1]) << 16 |
                                      static_cast<unsigned char>(bytes[at + 2]) << 8 |
                                      static_cast<unsigned char>(bytes[at + 3]));
}

std::string atByte(std::size_t offset, const std::string& message) {
    return "byte " + std::to_string(offset) + ": " + message;
}

// The file's chunks checked before the library reads it, so that a damaged file is
// named where it breaks.
std::string checkChunks(std::string_view bytes) {
    if (!bytes.starts_with("MThd")) return atByte(0, "not a Standard MIDI File: it does not begin with MThd");
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < 8) return atByte(offset, "the file ends inside a chunk's header");
        const std::uint32_t length = bigEndian(bytes, offset + 4);
        if (length > bytes.size() - offset - 8) return atByte(offset, "the chunk runs past the end of the file");
        if (offset == 0 && length < 6) return atByte(4, "the header chunk is too short");
        offset += 8 + length;
    }
    return {};
}

void emit(Skyline& line, double now, const ImportOptions& options, Melody& melody) {
    const double length = (now - line.segmentStart) * 1000;
    line.segmentStart = now;
    if (length <= 0) return;
    const auto top = std::max_element(line.sounding.begin(), line.sounding.end(),
                                      [](const SoundingNote& a, const SoundingNote& b) { return a.pitch < b.pitch; });
    if (top == line.sounding.end()) {
        // Silence before the first note and after the last is no rest of the tune.
        if (line.begun) line.pendingRest += length;
        line.lastSerial = static_cast<std::size_t>(-1);
        return;
    }
    if (line.pendingRest > 0) melody.push_back({restFrequency, line.pendingRest});
    line.pendingRest = 0;
    line.begun = true;
    if (top->serial == line.lastSerial) {
        melody.back().milliseconds += length;
        return;
    }
    melody.push_back({pitchFrequency(top->pitch, options), length});
    line.lastSerial = top->serial;
}

void apply(Skyline& line, int status, int pitch, int velocity) {
    const int channel = status & 0x0F;
    const int kind = status & 0xF0;
    const auto same = [&](const SoundingNote& note) { return note.pitch == pitch && note.channel == channel; };
    if (kind == 0x90 && velocity > 0) {
        line.sounding.push_back({pitch, channel, line.nextSerial++});
    } else if (kind == 0x80 || kind == 0x90) {
        // The earliest of that key's notes ends.
        const auto found = std::find_if(line.sounding.begin(), line.sounding.end(), same);
        if (found != line.sounding.end()) line.sounding.erase(found);
    }
}

}  // namespace

std::string importMidi(std::string_view bytes, const ImportOptions& options, Melody& melody) {
    if (std::string reason = checkChunks(bytes); !reason.empty()) return reason;
    g_log_set_default_handler(quiet, nullptr);
    Smf smf(smf_load_from_memory(bytes.data(), static_cast<int>(std::min<std::size_t>(bytes.size(), INT32_MAX))),
            smf_delete);
    if (!smf) return atByte(0, "the MIDI file is damaged: the MIDI library cannot read it");
    if (options.track > smf->number_of_tracks)
        return atByte(0, "the file has " + std::to_string(smf->number_of_tracks) + " tracks, no track " +
                             std::to_string(options.track));
    Skyline line;
    smf_rewind(smf.get());
    for (smf_event_t* event = smf_get_next_event(smf.get()); event; event = smf_get_next_event(smf.get())) {
        if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 3) continue;
        const int status = event->midi_buffer[0];
        const int kind = status & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        const int channel = status & 0x0F;
        if (options.track && event->track->track_number != options.track) continue;
        if (options.channel ? channel != options.channel - 1 : channel == percussionChannel) continue;
        emit(line, event->time_seconds, options, melody);
        apply(line, status, event->midi_buffer[1], event->midi_buffer[2]);
        if (melody.size() > longestMelody) return atByte(0, "the melody is too long");
    }
    return {};
}
