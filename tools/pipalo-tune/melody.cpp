// The melody builder: the note-number rule, the rests scripts write as low tones, and
// the cap counted as events are made.
#include "melody.h"

#include <array>
#include <cctype>
#include <cmath>

#include "beep_range.h"
#include "source_text.h"

std::string counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
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

int semitoneOfLetter(char letter) {
    constexpr std::array<int, 8> fromA = {9, 11, 0, 2, 4, 5, 7, 11};  // a to g, then h
    const int lower = std::tolower(static_cast<unsigned char>(letter));
    return lower >= 'a' && lower <= 'h' ? fromA[static_cast<std::size_t>(lower - 'a')] : -1;
}

MelodyBuilder::MelodyBuilder(std::string_view source, bool binary, const ImportOptions& options)
    : source(source), binary(binary), options(options) {}

double MelodyBuilder::pitch(int midiNote) const { return options.a4 * std::exp2((midiNote - 69) / 12.0); }

void MelodyBuilder::note(int midiNote, double milliseconds) { add({pitch(midiNote), milliseconds}); }

void MelodyBuilder::tone(double hertz, double milliseconds) {
    add({hertz < posix::lowestBeepFrequency ? restFrequency : hertz, milliseconds});
}

void MelodyBuilder::rest(double milliseconds) { add({restFrequency, milliseconds}); }

void MelodyBuilder::replay(std::size_t from, std::size_t to) {
    for (std::size_t index = from; index < to && index < melody.size() && !full(); ++index) add(melody[index]);
}

void MelodyBuilder::rearrange(const std::vector<std::pair<std::size_t, std::size_t>>& pieces) {
    Melody arranged;
    for (const auto& [from, to] : pieces) {
        if (arranged.size() + (to - from) > longestMelody) {
            overflow = failureAt(position, "the melody is too long");
            return;
        }
        arranged.insert(arranged.end(), melody.begin() + static_cast<std::ptrdiff_t>(from),
                        melody.begin() + static_cast<std::ptrdiff_t>(to));
    }
    melody = std::move(arranged);
}

std::string MelodyBuilder::failureAt(std::size_t offset, const std::string& message) const {
    return (binary ? "byte " + std::to_string(offset) : placeOf(source, offset)) + ": " + message;
}

void MelodyBuilder::add(MelodyEvent event) {
    if (full()) return;
    if (melody.size() == longestMelody) {
        overflow = failureAt(position, "the melody is too long");
        return;
    }
    melody.push_back(event);
}
