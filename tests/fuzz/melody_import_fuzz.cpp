// Feeds arbitrary bytes to the melody importers: the first byte chooses the importer, or
// the guess of the format from the content. Whatever an importer accepts must
// make a tune whose records are what the program writes (three digits each, 100 to
// 999 Hz), and the beep and Arduino exports of that tune must import back to it exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "arduino_export.h"
#include "beep_export.h"
#include "melody_import.h"
#include "melody_tune.h"
#include "rtttl_export.h"
#include "tune_text.h"

namespace {

// The ringtone's tempo search is slow on long tunes; the exports are checked on short ones.
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

void requireImportsBack(const MelodyFormat& format, const std::string& exported, const std::string& tune) {
    const ImportedMelody imported = importMelody(format, exported, {});
    require(imported.failure.empty(), "an export that does not import");
    require(melodyTune(imported.melody).text == tune, "an export that imports as another tune");
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
    const MelodyTune tune = melodyTune(imported.melody);
    if (tune.text.empty()) return 0;
    const std::vector<TuneRecord> records = checkedRecords(tune.text);
    if (records.size() > longestExportChecked) return 0;
    requireImportsBack(beepFormat, beepExport(records), tune.text);
    requireImportsBack(arduinoFormat, arduinoExport(records, "fuzz"), tune.text);
    const ImportedMelody ringtone = importMelody(rtttlFormat, rtttlExport(records, "fuzz").text, {});
    require(ringtone.failure.empty(), "a ringtone that does not import");
    const std::string ringtoneTune = melodyTune(ringtone.melody).text;
    require(std::count(ringtoneTune.begin(), ringtoneTune.end(), '\n') == std::count(tune.text.begin(), tune.text.end(), '\n'),
            "a ringtone that imports with another number of records");
    return 0;
}
