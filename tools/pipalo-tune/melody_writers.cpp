// What the writers of the melody formats share: the rounding to whole milliseconds and
// the tones split from the rests.
#include "melody_writers.h"

#include <cmath>

#include "beep_range.h"
#include "melody_options.h"
#include "pitch.h"

std::string melodyName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

Melody recordsMelody(const std::vector<TuneRecord>& records) {
    Melody melody;
    for (const TuneRecord& record : records)
        if (isSounded(record))
            melody.push_back({static_cast<double>(record.frequency), static_cast<double>(record.duration)});
    return melody;
}

TonesAndPauses tonesAndPauses(const Melody& written, MelodyOutput& output) {
    const Melody melody = raisedToLowestTone(written, output);
    const std::vector<long> lengths = wholeMilliseconds(melody);
    TonesAndPauses split;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        if (melody[index].frequency <= restFrequency) {
            ++split.rests;
            (split.pausesAfter.empty() ? split.leadingRest : split.pausesAfter.back()) += lengths[index];
        } else if (lengths[index] > 0) {
            split.records.push_back(
                {static_cast<DWORD>(std::lround(melody[index].frequency)), static_cast<DWORD>(lengths[index])});
            split.pausesAfter.push_back(0);
        }
    }
    if (split.records.empty()) output.failure = noToneWritten;
    return split;
}

Melody raisedToLowestTone(const Melody& melody, MelodyOutput& output) {
    Melody raised = melody;
    std::size_t moved = 0;
    for (MelodyEvent& event : raised) {
        if (event.frequency <= restFrequency || std::lround(event.frequency) >= posix::lowestBeepFrequency) continue;
        ++moved;
        while (std::lround(event.frequency) < posix::lowestBeepFrequency) event.frequency *= 2;
    }
    if (moved > 0)
        output.notices.push_back(counted(moved, "tone", "tones") + " below 37 Hz, which reads as a rest, moved up by octaves of their own");
    return raised;
}

std::vector<TuneRecord> melodyRecords(const Melody& melody, MelodyOutput& output) {
    TonesAndPauses split = tonesAndPauses(melody, output);
    if (split.rests > 0)
        output.notices.push_back(counted(split.rests, "rest", "rests") + " left out: the format holds tones only, so the rhythm changes there");
    return std::move(split.records);
}

std::vector<TuneRecord> movedRecords(const std::vector<TuneRecord>& records, const ImportOptions& options) {
    Melody melody = recordsMelody(records);
    moveAndTime(melody, options);
    MelodyOutput tonesOnly;
    return melodyRecords(melody, tonesOnly);
}
