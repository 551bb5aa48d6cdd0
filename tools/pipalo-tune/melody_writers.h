// How a melody format's writer is called, and what the writers under formats/ share:
// the melody's name, whole milliseconds, and tones that fit the format's range.
#pragma once

#include <string>
#include <vector>

#include "melody.h"
#include "tune_text.h"

struct MelodyOutput {
    std::string path;                  // where it goes, for a format whose ending chooses a form
    std::string name;                  // the melody's name, for the formats that hold one
    std::vector<std::string> notices;  // what the format could not keep, for the user
    std::string failure;               // why the melody cannot be written, else empty
};

// Why a format of whole milliseconds writes nothing of a melody whose tones are all shorter.
constexpr char noToneWritten[] = "no tone in the melody lasts a millisecond";

// The bytes of the melody in the format.
using MelodyWriter = std::string (*)(const Melody& melody, MelodyOutput& output);

// The file's name without its folder and extension, to name the melody by.
std::string melodyName(const std::string& path);

// A tune's sounded records as a melody, each record one event.
Melody recordsMelody(const std::vector<TuneRecord>& records);
// The melody with each tone below the lowest a tone may be in a format of hertz (37 Hz,
// below which the readers take a rest) moved up by octaves of its own, and told.
Melody raisedToLowestTone(const Melody& melody, MelodyOutput& output);

// The tones in whole hertz and milliseconds, with the silence after each.
struct TonesAndPauses {
    std::vector<TuneRecord> records;
    std::vector<long> pausesAfter;
    std::size_t rests = 0;
    long leadingRest = 0;  // ms before the first tone
};
// The melody raised to the lowest tone and rounded; a failure when no tone is left.
TonesAndPauses tonesAndPauses(const Melody& melody, MelodyOutput& output);

// Each tone the format cannot hold moved down by octaves until it can, and told.
template <typename Fits>
void moveDownInto(std::vector<TuneRecord>& records, Fits fits, const char* limit, MelodyOutput& output) {
    std::size_t moved = 0;
    for (TuneRecord& record : records) {
        if (fits(record.frequency)) continue;
        ++moved;
        while (!fits(record.frequency)) record.frequency /= 2;
    }
    if (moved > 0)
        output.notices.push_back(counted(moved, "tone", "tones") + " above " + limit +
                                 " moved down by octaves of their own");
}

// A melody as records of whole hertz and milliseconds, for the formats that hold tones
// only; its rests are left out, and the output tells how many. None is a failure.
std::vector<TuneRecord> melodyRecords(const Melody& melody, MelodyOutput& output);

// A tune's sounded records moved and timed as the options ask, in whole hertz and
// milliseconds (see melodyRecords).
std::vector<TuneRecord> movedRecords(const std::vector<TuneRecord>& records, const ImportOptions& options);
