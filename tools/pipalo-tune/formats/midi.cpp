// Standard MIDI Files of format 0 and 1: one voice, the highest pitch sounding at each
// moment (or only the track or channel asked for), each strike of it a new tone, in real
// time after every tempo change.
// Read here rather than with libsmf, which stops the process on some damaged files.
// Written as format 0, one tick a millisecond, each tone its nearest note bent to pitch.
#include "formats/midi.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <numeric>
#include <optional>
#include <vector>

#include "melody_import.h"
#include "output_file.h"
#include "pitch.h"

namespace {

constexpr unsigned percussionChannel = 9;  // channel 10, counted from 0: drums have no pitch
constexpr std::uint32_t defaultTempo = 500000;  // microseconds a quarter note

// What an event does to the notes sounding.
enum class Action : std::uint8_t {
    strike,          // a note-on
    release,         // a note-off of one note of its key
    silenceChannel,  // All Notes Off, All Sound Off and the mode changes that end every note
    endTrack,        // the end of a track, after its other events: its notes never switched off end
};

struct KeyEvent {
    std::uint64_t tick;
    std::size_t at;  // its byte in the file
    std::uint32_t track;
    Action action;
    std::uint8_t channel;
    std::uint8_t pitch;
};

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t microsecondsPerQuarter;
};

struct MidiFile {
    std::vector<KeyEvent> events;  // track after track, each in its own order
    std::vector<TempoChange> tempos;
    double secondsPerTick = 0;  // for time counted in frames, else 0
    unsigned ticksPerQuarter = 0;
    std::uint32_t tracks = 0;
    unsigned channelsWithNotes = 0;  // a bit for each channel struck in the tracks read
    std::optional<std::size_t> firstNoteAt;  // in the tracks read, on any channel
    std::optional<std::size_t> retunedAt;    // the first pitch bend or tuning that is not applied
    std::string retuning;                    // what it is
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

void noteRetuning(MidiFile& file, std::size_t at, const char* what) {
    if (file.retunedAt) return;
    file.retunedAt = at;
    file.retuning = what;
}

// The registered parameters that tune a channel: fine and coarse tuning.
constexpr unsigned fineTuning = 1, coarseTuning = 2, noParameter = 0x3FFF;

// A control change: the registered parameter chosen, data entered into a tuning one, and
// the messages that end every note of the channel.
void readControl(unsigned controller, unsigned value, unsigned& parameter, KeyEvent event, MidiFile& file) {
    switch (controller) {
        case 101: parameter = (parameter & 0x7F) | value << 7; return;
        case 100: parameter = (parameter & ~0x7Fu) | value; return;
        case 99: case 98: parameter = noParameter; return;  // a parameter of the maker's own
        case 6: case 38: case 96: case 97:
            if (parameter == fineTuning || parameter == coarseTuning) noteRetuning(file, event.at, "a tuning message");
            return;
        case 120: case 123: case 124: case 125: case 126: case 127:
            event.action = Action::silenceChannel;
            file.events.push_back(event);
            return;
        default: return;
    }
}

// The universal system exclusive messages that tune: the MIDI Tuning Standard's, and
// master fine and coarse tuning.
bool isTuning(std::string_view message) {
    if (message.size() < 4 || (message[0] != 0x7E && message[0] != 0x7F)) return false;
    return message[2] == 0x08 || (message[0] == 0x7F && message[2] == 0x04 && (message[3] == 3 || message[3] == 4));
}

std::string readTrack(std::string_view bytes, std::size_t at, std::size_t end, std::uint32_t track,
                      const ImportOptions& options, MidiFile& file) {
    const bool trackWanted = options.track == 0 || static_cast<std::uint32_t>(options.track) == track;
    std::array<unsigned, 16> parameters;
    parameters.fill(noParameter);
    std::uint64_t tick = 0;
    unsigned status = 0;
    bool statusEnded = false;  // by a meta event or a system exclusive message
    const std::size_t eventsBefore = file.events.size();
    std::size_t eventAt = at;
    while (at < end) {
        std::uint32_t delta = 0;
        if (std::string reason = readVariable(bytes, at, end, delta); !reason.empty()) return reason;
        tick += delta;
        if (at >= end) return atByte(at, "the track ends before its event");
        eventAt = at;
        if (byteAt(bytes, at) & 0x80) status = byteAt(bytes, at++);
        else if (status == 0 && !statusEnded)
            return atByte(at, "a data byte where an event must begin");
        else if (status == 0)
            return atByte(at, "a data byte where an event must begin: running status does not last past a meta "
                              "event or system exclusive message (Standard MIDI Files 1.0, Track Chunks)");
        if (status == 0xFF) {
            if (at >= end) return atByte(at, "the track ends inside a meta event");
            const unsigned type = byteAt(bytes, at++);
            std::uint32_t length = 0;
            if (std::string reason = readVariable(bytes, at, end, length); !reason.empty()) return reason;
            if (length > end - at) return atByte(eventAt, "a meta event runs past its track");
            if (type == 0x51) {
                if (length != 3)
                    return atByte(eventAt, "a tempo event of " + std::to_string(length) +
                                               " bytes, where the standard's holds 3 (Standard MIDI Files 1.0, "
                                               "Meta-Events)");
                const std::uint32_t tempo = bigEndian(bytes, at, 3);
                if (tempo == 0) return atByte(eventAt, "a tempo of 0 microseconds a quarter note");
                file.tempos.push_back({tick, tempo});
            }
            at += length;
            status = 0;
            statusEnded = true;
            if (type == 0x2F) break;  // the end of the track
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (std::string reason = readVariable(bytes, at, end, length); !reason.empty()) return reason;
            if (length > end - at) return atByte(eventAt, "a system exclusive message runs past its track");
            if (trackWanted && status == 0xF0 && isTuning(bytes.substr(at, length)))
                noteRetuning(file, eventAt, "a tuning message");
            at += length;
            status = 0;
            statusEnded = true;
            continue;
        }
        if (status > 0xF0)
            return atByte(eventAt, "a system message, which a MIDI file cannot hold (Standard MIDI Files 1.0, "
                                   "Track Chunks)");
        const unsigned kind = status & 0xF0;
        const std::size_t dataBytes = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
        if (end - at < dataBytes) return atByte(at, "the track ends inside an event");
        for (std::size_t index = 0; index < dataBytes; ++index)
            if (byteAt(bytes, at + index) & 0x80) return atByte(at + index, "an event's data byte above 127");
        const unsigned channel = status & 0x0F;
        const unsigned first = byteAt(bytes, at), second = dataBytes == 2 ? byteAt(bytes, at + 1) : 0;
        at += dataBytes;
        const bool isStrike = kind == 0x90 && second > 0;
        if (trackWanted && isStrike) {
            file.channelsWithNotes |= 1u << channel;
            if (!file.firstNoteAt) file.firstNoteAt = eventAt;
        }
        const bool wanted = trackWanted && (options.channel ? channel == static_cast<unsigned>(options.channel - 1)
                                                            : channel != percussionChannel);
        if (!wanted) continue;
        const KeyEvent event{tick, eventAt, track, isStrike ? Action::strike : Action::release,
                             static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(first)};
        if (kind == 0x80 || kind == 0x90) {
            file.events.push_back(event);
        } else if (kind == 0xE0 && (first | second << 7) != 0x2000) {
            noteRetuning(file, eventAt, "a pitch bend");
        } else if (kind == 0xB0) {
            readControl(first, second, parameters[channel], event, file);
        }
        if (file.events.size() > 4 * longestMelody) return atByte(eventAt, "the file holds too many notes");
    }
    // Many files end a track with its chunk and no end-of-track event.
    if (file.events.size() > eventsBefore) file.events.push_back({tick, eventAt, track, Action::endTrack, 0, 0});
    return {};
}

std::string readFile(std::string_view bytes, const ImportOptions& options, MidiFile& file) {
    if (!bytes.starts_with("MThd")) return atByte(0, "not a Standard MIDI File: it does not begin with MThd");
    if (bytes.size() < 14) return atByte(bytes.size(), "the file ends inside its header");
    const std::uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < 6 || headerLength > bytes.size() - 8) return atByte(4, "the header's length is wrong");
    const unsigned format = bigEndian(bytes, 8, 2);
    const unsigned promisedTracks = bigEndian(bytes, 10, 2);
    const unsigned division = bigEndian(bytes, 12, 2);
    if (format > 1)
        return atByte(8, "only MIDI files of format 0 and 1 hold one piece to read; this one is of format " +
                             std::to_string(format) + " (Standard MIDI Files 1.0, MIDI File Formats)");
    if (division & 0x8000) {
        const unsigned framesPerSecond = 256 - (division >> 8);
        const unsigned ticksPerFrame = division & 0xFF;
        if (framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30)
            return atByte(12, "time in frames of " + std::to_string(framesPerSecond) +
                                  " a second, where the standard has 24, 25, 29 or 30 (Standard MIDI Files 1.0, "
                                  "Header Chunks)");
        if (ticksPerFrame == 0) return atByte(12, "the file's time has no ticks in a frame");
        // 29 stands for the 29.97 frames a second of drop-frame time code.
        const double frames = framesPerSecond == 29 ? 30000.0 / 1001 : framesPerSecond;
        file.secondsPerTick = 1.0 / frames / ticksPerFrame;
    } else if (division == 0) {
        return atByte(12, "the file's time has no ticks in a beat");
    }
    file.ticksPerQuarter = division;
    for (std::size_t at = 8 + headerLength; at < bytes.size();) {
        // A few bytes of padding after the last track are common; anything longer is a chunk.
        if (bytes.size() - at < 8 && file.tracks > 0 && file.tracks >= promisedTracks) break;
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
    if (file.tracks < promisedTracks)
        return atByte(bytes.size(), "the file is cut short: its header names " + counted(promisedTracks, "track", "tracks") +
                                        ", and it ends before track " +
                                        std::to_string(file.tracks + 1));
    if (static_cast<std::uint32_t>(options.track) > file.tracks)
        return atByte(0, "the file has " + std::to_string(file.tracks) + " tracks, no track " +
                             std::to_string(options.track));
    return {};
}

// A pitch starting or ending to sound, in time order. Its byte fits 32 bits: a file is
// read up to 16 MiB.
struct Change {
    std::uint64_t tick;
    std::uint32_t at;
    std::uint8_t pitch;
    bool strike;
};

struct Changes {
    std::vector<Change> list;
    std::size_t endedWithTrack = 0;  // notes never switched off
    std::size_t firstEndedAt = 0;    // the first of them, by its note-on
};

// Which notes sound: each strike is a note until a release of its key (the oldest note
// of the key first) or an All Notes Off of its channel; a note never switched off ends
// where its track ends.
Changes soundingChanges(const MidiFile& file) {
    const std::vector<KeyEvent>& events = file.events;
    // The tracks of format 1 play together: their events are taken in time order, and in
    // file order at the same tick.
    std::vector<std::uint32_t> order(events.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto byTick = [](const auto& a, const auto& b) { return a.tick < b.tick; };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return byTick(events[a], events[b]); });
    Changes changes;
    // Every note starts once and ends once.
    const auto isStrike = [](const KeyEvent& event) { return event.action == Action::strike; };
    changes.list.reserve(2 * static_cast<std::size_t>(std::count_if(events.begin(), events.end(), isStrike)));
    std::vector<bool> sounding(events.size());
    std::vector<std::deque<std::uint32_t>> byKey(16 * 128);  // strikes, oldest first
    std::array<std::size_t, 16> soundingOnChannel{};
    const auto end = [&](std::uint32_t strike, const KeyEvent& ender) {
        sounding[strike] = false;
        --soundingOnChannel[events[strike].channel];
        changes.list.push_back({ender.tick, static_cast<std::uint32_t>(ender.at), events[strike].pitch, false});
    };
    for (const std::uint32_t index : order) {
        const KeyEvent& event = events[index];
        std::deque<std::uint32_t>& key = byKey[event.channel * 128u + event.pitch];
        if (event.action == Action::strike) {
            key.push_back(index);
            sounding[index] = true;
            ++soundingOnChannel[event.channel];
            changes.list.push_back({event.tick, static_cast<std::uint32_t>(event.at), event.pitch, true});
        } else if (event.action == Action::release && !key.empty()) {  // else a key not struck
            end(key.front(), event);
            key.pop_front();
        } else if (event.action == Action::silenceChannel) {
            for (unsigned pitch = 0; pitch < 128 && soundingOnChannel[event.channel] > 0; ++pitch) {
                for (const std::uint32_t strike : byKey[event.channel * 128u + pitch]) end(strike, event);
                byKey[event.channel * 128u + pitch].clear();
            }
        }
    }
    // A track's events stand together, its end last.
    const std::size_t endsBefore = changes.list.size();
    for (std::size_t trackStart = 0, index = 0; index < events.size(); ++index) {
        if (events[index].action != Action::endTrack) continue;
        for (std::size_t strike = trackStart; strike < index; ++strike) {
            if (events[strike].action != Action::strike || !sounding[strike]) continue;
            changes.list.push_back({events[index].tick, static_cast<std::uint32_t>(events[index].at),
                                    events[strike].pitch, false});
            if (changes.endedWithTrack++ == 0 || events[strike].at < changes.firstEndedAt)
                changes.firstEndedAt = events[strike].at;
        }
        trackStart = index + 1;
    }
    const auto ends = changes.list.begin() + static_cast<std::ptrdiff_t>(endsBefore);
    std::stable_sort(ends, changes.list.end(), byTick);
    std::inplace_merge(changes.list.begin(), ends, changes.list.end(), byTick);
    return changes;
}

// Milliseconds from the start, for ticks taken in increasing order, through the tempo
// changes before them.
class Clock {
public:
    explicit Clock(const MidiFile& file) : file(file), tempos(file.tempos) {
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    }

    double at(std::uint64_t tick) {
        for (; next < tempos.size() && tempos[next].tick <= tick; ++next) {
            tempoTime += static_cast<double>(tempos[next].tick - tempoTick) * millisecondsPerTick();
            tempoTick = tempos[next].tick;
            tempo = tempos[next].microsecondsPerQuarter;
        }
        return tempoTime + static_cast<double>(tick - tempoTick) * millisecondsPerTick();
    }

private:
    double millisecondsPerTick() const {
        return file.secondsPerTick > 0 ? file.secondsPerTick * 1000 : tempo / 1000.0 / file.ticksPerQuarter;
    }

    const MidiFile& file;
    std::vector<TempoChange> tempos;
    std::size_t next = 0;
    std::uint64_t tempoTick = 0;
    double tempoTime = 0;
    std::uint32_t tempo = defaultTempo;
};

// The pitches sounding, as a set of bits with the highest found in one step.
struct Pitches {
    std::array<std::uint64_t, 2> bits{};

    void set(unsigned pitch, bool on) {
        const std::uint64_t bit = std::uint64_t{1} << (pitch % 64);
        bits[pitch / 64] = on ? bits[pitch / 64] | bit : bits[pitch / 64] & ~bit;
    }
    bool has(int pitch) const { return pitch >= 0 && (bits[static_cast<unsigned>(pitch) / 64] >> (pitch % 64) & 1); }
    int highest() const {
        if (bits[1]) return 127 - std::countl_zero(bits[1]);
        return bits[0] ? 63 - std::countl_zero(bits[0]) : -1;
    }
};

// The highest pitch sounding, a new tone at each change of it and at each strike of it;
// silence before the first note and after the last is no rest of the tune.
std::string readSkyline(const std::vector<Change>& changes, Clock& clock, MelodyBuilder& melody) {
    std::array<std::size_t, 128> notes{};  // of each pitch sounding
    Pitches sounding;
    int current = -1;  // the pitch of the tone being made; -1 in silence
    double since = 0;
    std::optional<double> start;
    for (std::size_t index = 0; index < changes.size() && !melody.full();) {
        const std::uint64_t tick = changes[index].tick;
        const std::size_t at = changes[index].at;
        Pitches struck;
        for (; index < changes.size() && changes[index].tick == tick; ++index) {
            const Change& change = changes[index];
            notes[change.pitch] = change.strike ? notes[change.pitch] + 1 : notes[change.pitch] - 1;
            sounding.set(change.pitch, notes[change.pitch] > 0);
            if (change.strike) struck.set(change.pitch, true);
        }
        const int top = sounding.highest();
        if (top == current && !struck.has(top)) continue;
        const double now = clock.at(tick);
        melody.at(at);
        if (current >= 0) melody.note(current, now - since);
        else if (start) melody.rest(now - since);
        if (start && now - *start > longestTune) return melody.failureAt(at, "the melody lasts more than ten hours");
        if (!start && top >= 0) start = now;
        current = top;
        since = now;
    }
    return {};
}

std::string channelList(unsigned channels) {
    std::string list;
    for (int channel = 0; channel < 16; ++channel)
        if (channels & (1u << channel)) list += (list.empty() ? "" : ", ") + std::to_string(channel + 1);
    return list;
}

// Why a file with notes gives none, where the notes left out are what it has.
std::string noNoteTaken(const MidiFile& file, const ImportOptions& options, std::size_t fileEnd) {
    if (options.channel && file.channelsWithNotes)
        return atByte(fileEnd, "no note on channel " + std::to_string(options.channel) + "; the notes are on channel" +
                                   (std::has_single_bit(file.channelsWithNotes) ? " " : "s ") +
                                   channelList(file.channelsWithNotes));
    if (!options.channel && file.channelsWithNotes == 1u << percussionChannel)
        return atByte(*file.firstNoteAt,
                      "the notes are all on channel 10, the drums, left out unless asked for: --channel 10");
    return {};
}

std::string importMidi(std::string_view bytes, MelodyBuilder& melody) {
    MidiFile file;
    if (std::string reason = readFile(bytes, melody.options, file); !reason.empty()) return reason;
    const bool struck = std::any_of(file.events.begin(), file.events.end(),
                                    [](const KeyEvent& event) { return event.action == Action::strike; });
    if (!struck)
        if (std::string reason = noNoteTaken(file, melody.options, bytes.size()); !reason.empty()) return reason;
    const Changes changes = soundingChanges(file);
    Clock clock(file);
    if (std::string reason = readSkyline(changes.list, clock, melody); !reason.empty()) return reason;
    if (changes.endedWithTrack > 0)
        melody.notice(atByte(changes.firstEndedAt, std::to_string(changes.endedWithTrack) +
                                                       (changes.endedWithTrack == 1
                                                            ? " note never switched off ends with its track, as "
                                                              "sequencers end it"
                                                            : " notes never switched off end with their track, as "
                                                              "sequencers end them")));
    if (file.retunedAt)
        melody.notice(atByte(*file.retunedAt, file.retuning + "; bends and tunings are not applied, "
                                                              "each note keeps its written pitch"));
    return {};
}

Resemblance resemblesMidi(std::string_view bytes) {
    return bytes.starts_with("MThd") ? Resemblance::surely : Resemblance::none;
}

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

// The bytes of the file, made in one pass over the records.
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

// MIDI's notes end at 127 (Sol9): a tone above is moved down by octaves of its own.
std::string writeMidiMelody(const Melody& melody, MelodyOutput& output) {
    std::vector<TuneRecord> records = melodyRecords(melody, output);
    moveDownInto(records, [](DWORD hertz) { return nearestNote(hertz).midiNote <= 127; }, "MIDI's highest note",
                 output);
    return midiFile(records);
}

}  // namespace

std::string writeMidi(const std::vector<TuneRecord>& records, const std::string& path) {
    return writeOutput(path, midiFile(records));
}

extern const MelodyFormat midiFormat = {
    "midi", {".mid", ".midi", ".smf", ".kar"}, "Standard MIDI Files: the highest note at each moment",
    true, resemblesMidi, importMidi, writeMidiMelody,
};
