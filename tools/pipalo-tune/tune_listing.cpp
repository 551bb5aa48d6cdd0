// The listing of a tune: one line per record, then the count and the length.
#include "tune_listing.h"

#include <cstdint>
#include <cstdio>

#include "pitch.h"

namespace {

template <typename... Values>
std::string formatted(const char* format, Values... values) {
    char line[128];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

}  // namespace

std::string tuneListing(const std::vector<TuneRecord>& records) {
    std::string listing;
    std::size_t sounded = 0;
    std::uint64_t milliseconds = 0;
    for (const TuneRecord& record : records) {
        const std::string tone = formatted("%5lu Hz %5lu ms  ", static_cast<unsigned long>(record.frequency),
                                           static_cast<unsigned long>(record.duration));
        if (!isSounded(record)) {
            listing += tone + "not sounded: below 37 Hz\n";
            continue;
        }
        const NearestNote note = nearestNote(record.frequency);
        listing += tone + formatted("%-5s %+4.0f cents\n", noteName(note.midiNote).c_str(), note.cents);
        ++sounded;
        milliseconds += record.duration;
    }
    listing += formatted("%zu %s, %llu ms", sounded, sounded == 1 ? "tone" : "tones",
                         static_cast<unsigned long long>(milliseconds));
    if (sounded < records.size()) listing += formatted(", %zu not sounded", records.size() - sounded);
    return listing + "\n";
}
