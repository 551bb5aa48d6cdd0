#include "playback.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "tune_file.h"

namespace {

constexpr char playTitle[] = "Play...";
// Two entries, each a description and a pattern ending with a NUL, then the NUL that ends the list.
constexpr char playFilter[] = "Tarnwell Pipalo (*.TPZ)\0*.TPZ\0All Files...\0*.*\0";
static_assert(sizeof playFilter == 48);
constexpr char playInitialDirectory[] = "C:\\";

constexpr std::size_t recordStride = 8;
constexpr std::size_t fieldWidth = 3;
constexpr std::size_t durationOffset = 4;
// A fragment shorter than this has no duration digit left to play.
constexpr std::size_t shortestPlayedFragment = durationOffset + 1;

// The field read as atoi reads it, cut at the end of the text. A negative value counts as
// 0, so that no file can hold the program inside Beep for days.
DWORD fieldValue(std::string_view text, std::size_t position) {
    const std::string field(text.substr(position, fieldWidth));
    return static_cast<DWORD>(std::max(0, std::atoi(field.c_str())));
}

}  // namespace

void playTuneFile(Window* window) {
    const std::string path = window->showOpenDialog(playTitle, playFilter, playInitialDirectory, 0);
    if (path.empty()) return;
    playTuneText(readTuneFile(path).c_str());
}

// Records are read at a fixed stride, and a comment is recognised only where a record
// could begin; after it the walk goes on at once, without looking for another comment.
void playTuneText(const char* text) {
    const std::string_view tune(text);
    std::size_t position = 0;
    while (position < tune.size()) {
        if (tune.compare(position, 2, "//") == 0) {
            const std::size_t lineFeed = tune.find('\n', position);
            if (lineFeed == std::string_view::npos) return;
            position = lineFeed + 1;
        }
        if (tune.size() - position < shortestPlayedFragment) return;
        Beep(fieldValue(tune, position), fieldValue(tune, position + durationOffset));
        position += recordStride;
    }
}
