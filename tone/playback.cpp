// Playing a tune file chosen in the Open dialog, record by record with Beep.
#include "playback.h"

#include "tune_file.h"
#include "tune_text.h"

namespace {

constexpr char playTitle[] = "Play...";
// Two entries, each a description and a pattern ending with a NUL, then the NUL that ends the list.
constexpr char playFilter[] = "Tarnwell Pipalo (*.TPZ)\0*.TPZ\0All Files...\0*.*\0";
static_assert(sizeof playFilter == 48);
constexpr char playInitialDirectory[] = "C:\\";

}  // namespace

void playTuneFile(Window* window) {
    const std::string path = window->showOpenDialog(playTitle, playFilter, playInitialDirectory, 0);
    if (path.empty()) return;
    playTuneFileAt(path);
}

void playTuneFileAt(const std::string& path) { playTuneText(readTuneFile(path).c_str()); }

void playTuneText(const char* text) {
    for (const TuneRecord& record : tuneRecords(text)) Beep(record.frequency, record.duration);
}
