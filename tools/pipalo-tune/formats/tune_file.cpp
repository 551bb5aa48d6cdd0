// Pipalo's own tune files as one melody format among the others: read with the walk
// playback makes, written as import writes them.
#include <cstring>

#include "melody_import.h"
#include "melody_tune.h"
#include "pitch.h"
#include "tune_file.h"

namespace {

Resemblance resemblesTune(std::string_view content) {
    if (content.starts_with(std::string_view(headerLine, std::strlen(headerLine) - 1))) return Resemblance::surely;
    const std::string_view firstLine = content.substr(0, content.find_first_of("\r\n"));
    return firstLine.size() == 7 && firstLine[3] == ',' ? Resemblance::maybe : Resemblance::none;
}

// Each record the player sounds is a tone; one it does not takes no time there either.
std::string readTune(std::string_view content, MelodyBuilder& melody) {
    const std::string text = tuneFileText(content);
    for (const TuneRecord& record : tuneRecords(text.c_str()))
        if (isSounded(record)) melody.tone(record.frequency, record.duration);
    return {};
}

std::string writeTune(const Melody& melody, MelodyOutput& output) {
    MelodyTune tune = melodyTune(melody);
    if (tune.text.empty()) {
        output.failure = "no note in the melody is long enough to play";
        return {};
    }
    output.notices.insert(output.notices.end(), tune.notices.begin(), tune.notices.end());
    return tuneFileBytes(tune.text);
}

}  // namespace

extern const MelodyFormat tuneFormat = {
    "tpz", {".tpz"}, "Pipalo's tune files: a record \"440,230\" for each tone", false, resemblesTune, readTune,
    writeTune,
};
