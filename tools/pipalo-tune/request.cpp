// A pipalo-tune command line read into its request, and the tune it names.
#include "request.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "melody_options.h"
#include "tool_messages.h"
#include "tune_file.h"

namespace {

// Whether a line reads as the program writes a record: three digits, a comma, three digits.
bool holdsRecordLine(std::string_view text) {
    const auto digits = [](std::string_view field) {
        return std::all_of(field.begin(), field.end(), [](char character) { return character >= '0' && character <= '9'; });
    };
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        if (line.size() == 7 && line[3] == ',' && digits(line.substr(0, 3)) && digits(line.substr(4))) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool isOption(std::string_view argument) { return argument.size() > 1 && argument.starts_with("-"); }

int pictureSize(std::string_view text) {
    int size = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    const bool whole = error == std::errc() && end == text.data() + text.size();
    return whole && size >= smallestPictureSize && size <= largestPictureSize ? size : 0;
}

std::string parse(const std::vector<std::string_view>& arguments, Request& request) {
    std::optional<std::string_view> size;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (optionsEnded || !isOption(argument)) {
            if (request.command.empty())
                request.command = argument;
            else if (request.tune.empty())
                request.tune = argument;
            else
                return "unexpected argument " + std::string(argument) + " (see pipalo-tune --help)";
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-o" || argument == "--output") {
            if (++index == arguments.size()) return "option " + std::string(argument) + " needs a file name";
            request.output = arguments[index];
        } else if (argument.starts_with("--output=")) {
            request.output = argument.substr(9);
        } else if (argument == "-s" || argument == "--size") {
            if (++index == arguments.size()) return "option " + std::string(argument) + " needs a number of pixels";
            size = arguments[index];
        } else if (argument.starts_with("--size=")) {
            size = argument.substr(7);
        } else if (isMoveOption(argument)) {
            if (++index == arguments.size()) return "option " + std::string(argument) + " needs a value";
            if (std::string reason = readMelodyOption(argument, arguments[index], request.moves); !reason.empty())
                return reason;
            request.moved = true;
        } else {
            return "unknown option " + std::string(argument) + " (see pipalo-tune --help)";
        }
    }
    if (request.command.empty()) return "no command given (see pipalo-tune --help)";
    const bool exports = request.command == "wav" || request.command == "midi" || request.command == "picture";
    if (!exports && request.command != "list" && request.command != "play")
        return "unknown command " + request.command + " (see pipalo-tune --help)";
    if (request.tune.empty()) return request.command + " needs a tune file";
    if (exports && request.output.empty()) return request.command + " needs an output file: -o FILE";
    if (!exports && !request.output.empty()) return request.command + " writes no file: drop -o";
    if (request.moved && request.command != "wav" && request.command != "midi")
        return request.command + " moves no tone: drop --transpose and --tempo";
    if (size) {
        if (request.command != "picture") return request.command + " draws no picture: drop --size";
        request.pictureSize = pictureSize(*size);
        if (request.pictureSize == 0)
            return "--size takes a number of pixels from " + std::to_string(smallestPictureSize) + " to " +
                   std::to_string(largestPictureSize) + ", not " + std::string(*size);
    }
    return {};
}

bool readRecords(const Request& request, std::vector<TuneRecord>& records) {
    std::string text;
    if (std::string reason = readTuneFile(request.tune, text); !reason.empty()) {
        reportFailure("cannot read " + request.tune + ": " + reason);
        return false;
    }
    // As the program's playback, the text ends at its first NUL.
    records = tuneRecords(text.c_str());
    // Not a tune at all; a file manager then shows the type's icon instead of a picture.
    if (!holdsRecordLine(text)) {
        reportFailure(request.tune + ": no record in it (a line such as 440,230)");
        return false;
    }
    return true;
}

int written(const Request& request, const std::string& reason) {
    return reason.empty() ? 0 : reportFailure("cannot write " + request.output + ": " + reason);
}
