// A melody's tones as the records of a tune file, moved into the range records hold.
#include "melody_tune.h"

#include <cmath>
#include <cstdlib>

#include "tune_text.h"

namespace {

constexpr long lowestRecordFrequency = 100;
constexpr long highestRecordFrequency = 999;
constexpr long longestRecord = 999;
// Far more than the 37 Hz to 32767 Hz Beep sounds, so every frequency in a melody is covered.
constexpr int widestShift = 12;

bool fits(double frequency, int octaves) {
    const long hertz = std::lround(std::ldexp(frequency, octaves));
    return hertz >= lowestRecordFrequency && hertz <= highestRecordFrequency;
}

std::size_t countFitting(const Melody& melody, int octaves) {
    std::size_t count = 0;
    for (const MelodyEvent& event : melody)
        if (event.frequency > restFrequency && fits(event.frequency, octaves)) ++count;
    return count;
}

// The octaves that fit the most tones, the smallest move first.
int wholeTuneShift(const Melody& melody) {
    int best = 0;
    std::size_t bestCount = countFitting(melody, 0);
    for (int distance = 1; distance <= widestShift; ++distance) {
        for (const int octaves : {-distance, distance}) {
            const std::size_t count = countFitting(melody, octaves);
            if (count > bestCount) {
                best = octaves;
                bestCount = count;
            }
        }
    }
    return best;
}

// The nearest octave of the tone that a record holds.
int ownShift(double frequency, int tuneShift) {
    int octaves = tuneShift;
    while (std::lround(std::ldexp(frequency, octaves)) < lowestRecordFrequency) ++octaves;
    while (std::lround(std::ldexp(frequency, octaves)) > highestRecordFrequency) --octaves;
    return octaves;
}

void appendRecords(std::string& text, unsigned frequency, long milliseconds) {
    const long parts = (milliseconds + longestRecord - 1) / longestRecord;
    for (long part = 0; part < parts; ++part) {
        // As even as whole milliseconds allow: the first parts take the remainder.
        const long length = milliseconds / parts + (part < milliseconds % parts ? 1 : 0);
        text += tuneRecord(frequency, static_cast<unsigned>(length));
    }
}

}  // namespace

MelodyTune melodyTune(const Melody& melody) {
    MelodyTune tune;
    const int shift = wholeTuneShift(melody);
    std::string records;
    std::size_t rests = 0;
    std::size_t movedAlone = 0;
    std::size_t tooShort = 0;
    const std::vector<long> lengths = wholeMilliseconds(melody);
    for (std::size_t index = 0; index < melody.size(); ++index) {
        const MelodyEvent& event = melody[index];
        const long milliseconds = lengths[index];
        if (event.frequency <= restFrequency) {
            ++rests;
            continue;
        }
        if (milliseconds <= 0) {
            ++tooShort;
            continue;
        }
        const int octaves = ownShift(event.frequency, shift);
        if (octaves != shift) ++movedAlone;
        appendRecords(records, static_cast<unsigned>(std::lround(std::ldexp(event.frequency, octaves))),
                      milliseconds);
    }
    if (records.empty()) return tune;
    tune.text = headerLine + records;
    if (shift != 0)
        tune.notices.push_back("moved " + counted(static_cast<std::size_t>(std::abs(shift)), "octave", "octaves") + (shift > 0 ? " up" : " down") +
                               " to fit Pipalo's 100 to 999 Hz");
    if (movedAlone)
        tune.notices.push_back(counted(movedAlone, "tone", "tones") +
                               " still outside 100 to 999 Hz moved by octaves of their own");
    if (rests)
        tune.notices.push_back(counted(rests, "rest", "rests") +
                               " left out: a tune file holds no silence, so the rhythm changes there");
    if (tooShort) tune.notices.push_back(counted(tooShort, "tone", "tones") + " shorter than 1 ms left out");
    return tune;
}
