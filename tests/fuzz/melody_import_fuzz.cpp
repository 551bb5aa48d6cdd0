// Feeds arbitrary bytes to the melody importers: the first byte chooses the importer, or
// the guess of the format from the content. Whatever an importer accepts must
// make a tune whose records are what the program writes (three digits each, 100 to
// 999 Hz), and every format's writer must write that tune so that its reader reads it
// back: the formats of hertz and milliseconds exactly, those of notes with as many tones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "melody_import.h"
#include "melody_tune.h"
#include "melody_writers.h"
#include "tune_text.h"

namespace {

// The tempo search of the formats of notes is slow on long tunes; the writers are checked on short ones.
constexpr std::size_t longestExportChecked = 12;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "melody import fuzz: %s\n", what);
    std::abort();
}

std::vector<TuneRecord> checkedRecords(const std::string& text) {
    require(text.starts_with(headerLine), "a tune without its header line");
    const std::size_t recordBytes = text.size() - (sizeof headerLine - 1);
    require(recordBytes % recordStride == 0, "a record that is not eight characters");
    const std::vector<TuneRecord> records = tuneRecords(text.c_str());
    require(records.size() == recordBytes / recordStride, "records the walk does not find");
    for (const TuneRecord& record : records) {
        require(record.frequency >= 100 && record.frequency <= 999, "a frequency outside 100 to 999 Hz");
        require(record.duration >= 1 && record.duration <= 999, "a duration outside 1 to 999 ms");
    }
    return records;
}

std::size_t toneCount(const Melody& melody) {
    return static_cast<std::size_t>(std::count_if(melody.begin(), melody.end(),
                                                  [](const MelodyEvent& event) { return event.frequency > restFrequency; }));
}

// The formats that hold a tone's hertz and milliseconds as they are.
bool holdsHertz(const MelodyFormat* format) {
    return format->name == "beep" || format->name == "arduino" || format->name == "gcode" || format == &tuneFormat;
}

void requireWrittenAndReadBack(const std::vector<TuneRecord>& records, const std::string& tune) {
    const Melody melody = recordsMelody(records);
    for (const MelodyFormat* format : melodyFormats()) {
        MelodyOutput output{"fuzz", "fuzz", {}, {}};
        const std::string written = format->write(melody, output);
        require(output.failure.empty(), "a tune a writer refuses");
        const ImportedMelody imported = importMelody(*format, written, {});
        require(imported.failure.empty(), "a melody written that its format does not read");
        require(toneCount(imported.melody) == records.size(), "a melody written that reads with another number of tones");
        if (holdsHertz(format))
            require(melodyTune(imported.melody).text == tune, "a melody written that reads as another tune");
    }
}

// The melody as read, rests and all: whatever a writer writes of it, its reader reads.
void requireReadable(const Melody& melody) {
    for (const MelodyFormat* format : melodyFormats()) {
        MelodyOutput output{"fuzz", "fuzz", {}, {}};
        const std::string written = format->write(melody, output);
        if (!output.failure.empty()) continue;
        require(importMelody(*format, written, {}).failure.empty() || toneCount(melody) == 0,
                "a melody written that its format does not read");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<const MelodyFormat*>& formats = melodyFormats();
    const std::size_t choice = data[0] % (formats.size() + 1);
    const MelodyFormat* format = choice < formats.size() ? formats[choice] : guessFormat(content, "melody");
    if (!format) return 0;
    const ImportedMelody imported = importMelody(*format, content, {});
    if (!imported.failure.empty()) {
        require(imported.melody.empty(), "a refused import that leaves a melody");
        return 0;
    }
    if (imported.melody.size() <= longestExportChecked) requireReadable(imported.melody);
    const MelodyTune tune = melodyTune(imported.melody);
    if (tune.text.empty()) return 0;
    const std::vector<TuneRecord> records = checkedRecords(tune.text);
    if (records.size() > longestExportChecked) return 0;
    requireWrittenAndReadBack(records, tune.text);
    return 0;
}
