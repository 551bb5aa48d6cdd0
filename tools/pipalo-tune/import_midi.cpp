// Standard MIDI Files of format 0 and 1: one voice, the highest note sounding at each
// moment (or only the track or channel asked for), in real time after every tempo change.
// Read here rather than with libsmf, which stops the process on some damaged files.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <vector>

#include "melody_import.h"

namespace {

constexpr int percussionChannel = 9;  // channel 10, counted from 0: drums have no pitch
constexpr std::uint32_t defaultTempo = 500000;  // microseconds a quarter note

struct NoteEvent {
    std::uint64_t tick;
    bool on;
    int channel;
    int pitch;
};

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t microsecondsPerQuarter;
};

struct MidiFile {
    std::vector<NoteEvent> notes;
    std::vector<TempoChange> tempos;
    double secondsPerTick = 0;  // for time counted in frames, else 0
    unsigned ticksPerQuarter = 0;
    int tracks = 0;
    unsigned channelsWithNotes = 0;  // a bit for each channel struck in the tracks read
};

std::string atByte(std::size_t offset, const std::string& message) {
    return "byte " + std::to_string(offset) + ": " + message;
}

unsigned byteAt(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t index = 0; index < count; ++index) value = value << 8 | byteAt(bytes, at + index);
    return value;
}

// A variable-length number of at most four bytes, seven bits each, high bit for "more".
std::string readVariable(std::string_view bytes, std::size_t& at, std::size_t end, std::uint32_t& value) {
    value = 0;
    for (int count = 0; count < 4; ++count) {
        if (at >= end) return atByte(at, "the track ends inside a number");
        const unsigned byte = byteAt(bytes, at++);
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) return {};
    }
    return atByte(at - 1, "a number longer than four bytes");
}

std::string readTrack(std::string_view bytes, std::size_t at, std::size_t end, int track,
                      const ImportOptions& options, MidiFile& file) {
    const bool trackWanted = options.track == 0 || options.track == track;
    std::uint64_t tick = 0;
    unsigned status = 0;
    while (at < end) {
        std::uint32_t delta = 0;
        if (std::string reason = readVariable(bytes, at, end, delta); !reason.empty()) return reason;
        tick += delta;
        if (at >= end) return atByte(at, "the track ends before its event");
        const std::size_t eventAt = at;
        if (byteAt(bytes, at) & 0x80) status = byteAt(bytes, at++);
        else if (status == 0) return atByte(at, "a data byte where an event must begin");
        if (status == 0xFF) {
            if (at >= end) return atByte(at, "the track ends inside a meta event");
            const unsigned type = byteAt(bytes, at++);
            std::uint32_t length = 0;
            if (std::string reason = readVariable(bytes, at, end, length); !reason.empty()) return reason;
            if (length > end - at) return atByte(eventAt, "a meta event runs past its track");
            if (type == 0x51 && length == 3)
                file.tempos.push_back({tick, bigEndian(bytes, at, 3)});
            at += length;
            if (type == 0x2F) return {};  // the end of the track
            status = 0;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (std::string reason = readVariable(bytes, at, end, length); !reason.empty()) return reason;
            if (length > end - at) return atByte(eventAt, "a system exclusive message runs past its track");
            at += length;
            status = 0;
            continue;
        }
        if (status > 0xF0) return atByte(eventAt, "a system message, which a MIDI file cannot hold");
        const unsigned kind = status & 0xF0;
        const std::size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
        if (end - at < dataBytes) return atByte(at, "the track ends inside an event");
        for (std::size_t index = 0; index < dataBytes; ++index)
            if (byteAt(bytes, at + index) & 0x80) return atByte(at + index, "an event's data byte above 127");
        const int channel = static_cast<int>(status & 0x0F);
        const bool wanted = trackWanted &&
                            (options.channel ? channel == options.channel - 1 : channel != percussionChannel);
        if (trackWanted && kind == 0x90 && byteAt(bytes, at + 1) > 0) file.channelsWithNotes |= 1u << channel;
        if (wanted && (kind == 0x80 || kind == 0x90)) {
            const bool on = kind == 0x90 && byteAt(bytes, at + 1) > 0;
            file.notes.push_back({tick, on, channel, static_cast<int>(byteAt(bytes, at))});
            if (file.notes.size() > 4 * longestMelody) return atByte(eventAt, "the file holds too many notes");
        }
        at += dataBytes;
    }
    return {};  // many files end a track with its chunk and no end-of-track event
}

std::string readFile(std::string_view bytes, const ImportOptions& options, MidiFile& file) {
    if (!bytes.starts_with("MThd")) return atByte(0, "not a Standard MIDI File: it does not begin with MThd");
    if (bytes.size() < 14) return atByte(bytes.size(), "the file ends inside its header");
    const std::uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) return atByte(4, "the header's length is wrong");
    const unsigned format = bigEndian(bytes, 8, 2);
    const unsigned division = bigEndian(bytes, 12, 2);
    if (format > 1) return atByte(8, "only MIDI files of format 0 and 1 hold one piece to read");
    if (division & 0x8000) {
        const int framesPerSecond = 256 - static_cast<int>(division >> 8);
        const unsigned ticksPerFrame = division & 0xFF;
        if (ticksPerFrame == 0) return atByte(12, "the file's time has no ticks in a frame");
        file.secondsPerTick = 1.0 / framesPerSecond / ticksPerFrame;
    } else if (division == 0) {
        return atByte(12, "the file's time has no ticks in a beat");
    }
    file.ticksPerQuarter = division;
    for (std::size_t at = 8 + headerLength; at < bytes.size();) {
        // A few bytes of padding after the last track are common; anything longer is a chunk.
        if (bytes.size() - at < 8 && file.tracks > 0) break;
        if (bytes.size() - at < 8) return atByte(at, "the file ends inside a chunk's header");
        const std::uint32_t length = bigEndian(bytes, at + 4, 4);
        if (length > bytes.size() - at - 8) return atByte(at, "the chunk runs past the end of the file");
        if (bytes.substr(at, 4) == "MTrk") {
            if (std::string reason = readTrack(bytes, at + 8, at + 8 + length, ++file.tracks, options, file);
                !reason.empty())
                return reason;
        }
        at += 8 + length;  // chunks of other kinds are skipped, as the format asks
    }
    if (options.track > file.tracks)
        return atByte(0, "the file has " + std::to_string(file.tracks) + " tracks, no track " +
                             std::to_string(options.track));
    return {};
}

// Each note event's time in milliseconds, through the tempo changes before it.
std::vector<double> noteTimes(const MidiFile& file) {
    std::vector<TempoChange> tempos = file.tempos;
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::vector<double> times;
    std::size_t next = 0;
    std::uint64_t tempoTick = 0;
    double tempoTime = 0;
    std::uint32_t tempo = defaultTempo;
    for (const NoteEvent& note : file.notes) {
        const auto millisecondsPerTick = [&] {
            return file.secondsPerTick > 0 ? file.secondsPerTick * 1000 : tempo / 1000.0 / file.ticksPerQuarter;
        };
        for (; next < tempos.size() && tempos[next].tick <= note.tick; ++next) {
            tempoTime += static_cast<double>(tempos[next].tick - tempoTick) * millisecondsPerTick();
            tempoTick = tempos[next].tick;
            tempo = tempos[next].microsecondsPerQuarter;
        }
        times.push_back(tempoTime + static_cast<double>(note.tick - tempoTick) * millisecondsPerTick());
    }
    return times;
}

// The notes sounding, by pitch and by key: the highest is found in a step that does not
// grow with the number of notes, and a note-off ends the earliest note of its key.
struct Sounding {
    std::array<std::set<std::size_t>, 128> byPitch;     // which note-ons, by pitch
    std::vector<std::deque<std::size_t>> byKey = std::vector<std::deque<std::size_t>>(16 * 128);  // by channel and pitch, oldest first

    // The note-on of the highest sounding pitch, the earliest struck of that pitch.
    std::optional<std::pair<int, std::size_t>> top() const {
        for (int pitch = 127; pitch >= 0; --pitch)
            if (!byPitch[static_cast<std::size_t>(pitch)].empty())
                return std::pair{pitch, *byPitch[static_cast<std::size_t>(pitch)].begin()};
        return std::nullopt;
    }
};

// The highest sounding note, segment by segment; silence before the first note and after
// the last is no rest of the tune.
void readSkyline(const MidiFile& file, const std::vector<double>& times, MelodyBuilder& melody) {
    Sounding sounding;
    double segmentStart = 0;
    double pendingRest = 0;
    std::size_t lastSerial = static_cast<std::size_t>(-1);
    for (std::size_t index = 0; index < file.notes.size() && !melody.full(); ++index) {
        const NoteEvent& note = file.notes[index];
        const double length = times[index] - segmentStart;
        segmentStart = times[index];
        const auto top = sounding.top();
        if (length > 0 && !top) {
            if (melody.size() > 0) pendingRest += length;
            lastSerial = static_cast<std::size_t>(-1);
        } else if (length > 0) {
            if (pendingRest > 0) melody.rest(pendingRest);
            pendingRest = 0;
            if (top->second == lastSerial) melody.melody.back().milliseconds += length;
            else melody.note(top->first, length);
            lastSerial = top->second;
        }
        const auto pitch = static_cast<std::size_t>(note.pitch);
        std::deque<std::size_t>& key = sounding.byKey[static_cast<std::size_t>(note.channel) * 128 + pitch];
        if (note.on) {
            key.push_back(index);
            sounding.byPitch[pitch].insert(index);
        } else if (!key.empty()) {
            sounding.byPitch[pitch].erase(key.front());
            key.pop_front();
        }
    }
}

std::string channelList(unsigned channels) {
    std::string list;
    for (int channel = 0; channel < 16; ++channel)
        if (channels & (1u << channel)) list += (list.empty() ? "" : ", ") + std::to_string(channel + 1);
    return list;
}

std::string importMidi(std::string_view bytes, MelodyBuilder& melody) {
    MidiFile file;
    if (std::string reason = readFile(bytes, melody.options, file); !reason.empty()) return reason;
    const bool struck = std::any_of(file.notes.begin(), file.notes.end(), [](const NoteEvent& note) { return note.on; });
    if (!struck && melody.options.channel && file.channelsWithNotes)
        return atByte(bytes.size(), "no note on channel " + std::to_string(melody.options.channel) +
                                        "; the notes are on channel" + (std::has_single_bit(file.channelsWithNotes) ? " " : "s ") +
                                        channelList(file.channelsWithNotes));
    // The tracks of format 1 play together: their events are taken in time order, and in
    // file order at the same tick.
    std::stable_sort(file.notes.begin(), file.notes.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.tick < b.tick; });
    readSkyline(file, noteTimes(file), melody);
    return {};
}

Resemblance resemblesMidi(std::string_view bytes) {
    return bytes.starts_with("MThd") ? Resemblance::surely : Resemblance::none;
}

}  // namespace

const MelodyFormat midiFormat = {
    "midi", {".mid", ".midi", ".smf", ".kar"}, "Standard MIDI Files: the highest note at each moment",
    true, resemblesMidi, importMidi, writeMidiMelody,
};
