// The rounding every writer of whole milliseconds shares, and the writers of the formats
// that hold a tune's tones as they are: each the export of the same name.
#include "melody_writers.h"

#include <cmath>

#include "arduino_export.h"
#include "beep_export.h"
#include "melody_options.h"
#include "midi_export.h"
#include "pitch.h"
#include "rtttl_export.h"

std::string melodyName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::vector<long> wholeMilliseconds(const Melody& melody) {
    std::vector<long> lengths;
    double start = 0;
    for (const MelodyEvent& event : melody) {
        const double end = start + event.milliseconds;
        lengths.push_back(std::lround(end) - std::lround(start));
        start = end;
    }
    return lengths;
}

Melody recordsMelody(const std::vector<TuneRecord>& records) {
    Melody melody;
    for (const TuneRecord& record : records)
        if (isSounded(record))
            melody.push_back({static_cast<double>(record.frequency), static_cast<double>(record.duration)});
    return melody;
}

std::vector<TuneRecord> melodyRecords(const Melody& melody, MelodyOutput& output) {
    const std::vector<long> lengths = wholeMilliseconds(melody);
    std::vector<TuneRecord> records;
    std::size_t rests = 0;
    for (std::size_t index = 0; index < melody.size(); ++index) {
        if (melody[index].frequency <= restFrequency) {
            ++rests;
        } else if (lengths[index] > 0) {
            records.push_back({static_cast<DWORD>(std::lround(melody[index].frequency)), static_cast<DWORD>(lengths[index])});
        }
    }
    if (rests > 0)
        output.notices.push_back(std::to_string(rests) + (rests == 1 ? " rest" : " rests") +
                                 " left out: the format holds tones only, so the rhythm changes there");
    return records;
}

std::vector<TuneRecord> movedRecords(const std::vector<TuneRecord>& records, const ImportOptions& options) {
    Melody melody = recordsMelody(records);
    moveAndTime(melody, options);
    MelodyOutput tonesOnly;
    return melodyRecords(melody, tonesOnly);
}

std::string writeRtttlMelody(const Melody& melody, MelodyOutput& output) {
    RtttlExport ringtone = rtttlExport(melody, output.name);
    output.notices.insert(output.notices.end(), ringtone.notices.begin(), ringtone.notices.end());
    return ringtone.text + "\n";
}

std::string writeBeepMelody(const Melody& melody, MelodyOutput& output) {
    return beepExport(melodyRecords(melody, output));
}

std::string writeArduinoMelody(const Melody& melody, MelodyOutput& output) {
    return arduinoExport(melodyRecords(melody, output), output.name);
}

std::string writeMidiMelody(const Melody& melody, MelodyOutput& output) {
    return midiFile(melodyRecords(melody, output));
}
