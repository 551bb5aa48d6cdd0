// The walk of a tune text at its fixed stride, and the record of one tone.
#include "tune_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view commentStart = "//";
// A fragment reaching the duration field plays, the field read from whatever of it is
// there; a shorter one would have its duration field start past the end of the text.
constexpr std::size_t shortestPlayedFragment = durationOffset;

// The field read as atoi reads it, cut at the end of the text. A negative value counts as
// 0, so that no file can hold the program inside Beep for days.
DWORD fieldValue(std::string_view text, std::size_t position) {
    const std::string field(text.substr(position, fieldWidth));
    return static_cast<DWORD>(std::max(0, std::atoi(field.c_str())));
}

}  // namespace

std::string tuneRecord(unsigned frequency, unsigned milliseconds) {
    char record[32];
    std::snprintf(record, sizeof record, "%03u,%03u\n", frequency, milliseconds);
    return record;
}

// After a comment the walk goes on at once, without looking for another comment.
std::vector<TuneRecord> tuneRecords(const char* text) {
    const std::string_view tune(text);
    std::vector<TuneRecord> records;
    std::size_t position = 0;
    while (position < tune.size()) {
        if (tune.substr(position).starts_with(commentStart)) {
            const std::size_t lineFeed = tune.find('\n', position);
            if (lineFeed == std::string_view::npos) break;
            position = lineFeed + 1;
        }
        if (tune.size() - position < shortestPlayedFragment) break;
        records.push_back({fieldValue(tune, position), fieldValue(tune, position + durationOffset)});
        position += recordStride;
    }
    return records;
}
