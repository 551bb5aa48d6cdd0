// The melody options read, each with the range that still makes a tune.
#include "melody_options.h"

#include <charconv>
#include <cmath>

namespace {

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Four octaves either way: further, the move into a record's 100 to 999 Hz takes it back.
constexpr int widestTranspose = 48;
// A hundredth of the speed to a hundred times it; at 0 % nothing would ever end.
constexpr double slowestTempo = 1;
constexpr double fastestTempo = 10000;

}  // namespace

bool isMoveOption(std::string_view option) { return option == "--transpose" || option == "--tempo"; }

bool isMelodyOption(std::string_view option) {
    return option == "--a4" || option == "--track" || option == "--channel" || isMoveOption(option);
}

std::string readMelodyOption(std::string_view option, std::string_view value, ImportOptions& options) {
    if (option == "--a4") {
        if (!readNumber(value, options.a4) || !(options.a4 >= 100 && options.a4 <= 1000))
            return "--a4 takes a frequency from 100 to 1000 Hz";
    } else if (option == "--track") {
        if (!readNumber(value, options.track) || options.track < 1) return "--track takes a track number from 1";
    } else if (option == "--channel") {
        if (!readNumber(value, options.channel) || options.channel < 1 || options.channel > 16)
            return "--channel takes a channel from 1 to 16";
    } else if (option == "--transpose") {
        // "+3" reads as people write it.
        const std::string_view digits = value.starts_with('+') ? value.substr(1) : value;
        if (!readNumber(digits, options.transpose) || std::abs(options.transpose) > widestTranspose)
            return "--transpose takes whole semitones from -48 to 48";
    } else if (!readNumber(value, options.tempo) || !(options.tempo >= slowestTempo && options.tempo <= fastestTempo)) {
        return "--tempo takes a percent of the written speed from 1 to 10000";
    }
    return {};
}

void moveAndTime(Melody& melody, const ImportOptions& options) {
    const double ratio = std::exp2(options.transpose / 12.0);
    for (MelodyEvent& event : melody) {
        event.frequency *= ratio;
        event.milliseconds *= 100.0 / options.tempo;
    }
}

