// The import command: its options, the reading, the notices and the tune file written.
#include "import_command.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "melody_import.h"
#include "melody_tune.h"
#include "output_file.h"
#include "request.h"
#include "tool_messages.h"
#include "tune_file.h"

namespace {

struct ImportRequest {
    std::string input;
    std::string output;
    std::string format;
    ImportOptions options;
};

template <typename Number>
bool readNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The reason the arguments make no import, else empty text.
std::string parse(const std::vector<std::string_view>& arguments, ImportRequest& request) {
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        const bool takesValue = !optionsEnded && (argument == "-o" || argument == "--output" || argument == "--from" ||
                                                  argument == "--a4" || argument == "--track" || argument == "--channel");
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!takesValue) {
            if (!optionsEnded && isOption(argument))
                return "unknown option " + std::string(argument) + " (see pipalo-tune --help)";
            if (!request.input.empty()) return "unexpected argument " + std::string(argument);
            request.input = argument;
            continue;
        }
        if (++index == arguments.size()) return "option " + std::string(argument) + " needs a value";
        const std::string_view value = arguments[index];
        if (argument == "-o" || argument == "--output") {
            request.output = value;
        } else if (argument == "--from") {
            if (!formatNamed(value)) return "--from takes " + formatNames();
            request.format = value;
        } else if (argument == "--a4") {
            if (!readNumber(value, request.options.a4) || !(request.options.a4 >= 100 && request.options.a4 <= 1000))
                return "--a4 takes a frequency from 100 to 1000 Hz";
        } else if (argument == "--track") {
            if (!readNumber(value, request.options.track) || request.options.track < 1)
                return "--track takes a track number from 1";
        } else if (!readNumber(value, request.options.channel) || request.options.channel < 1 ||
                   request.options.channel > 16) {
            return "--channel takes a channel from 1 to 16";
        }
    }
    if (request.input.empty()) return "import needs a file to read";
    if (request.output.empty()) return "import needs a tune file to write: -o OUT.TPZ";
    return {};
}

// No melody is longer than a tune file may be: an endless input (a device, a pipe) is
// read no further.
constexpr std::size_t largestInput = 16 << 20;

std::string readWhole(const std::string& path, std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "cannot read " + path;
    char block[65536];
    std::size_t count;
    while (content.size() <= largestInput && (count = std::fread(block, 1, sizeof block, file)) > 0)
        content.append(block, count);
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) return "cannot read " + path;
    if (content.size() > largestInput) return path + ": larger than any melody (16 MiB)";
    return {};
}

}  // namespace

int importCommand(const std::vector<std::string_view>& arguments) {
    ImportRequest request;
    if (std::string reason = parse(arguments, request); !reason.empty()) return reportFailure(reason, usageExit);
    std::string content;
    if (std::string reason = readWhole(request.input, content); !reason.empty()) return reportFailure(reason);
    const MelodyFormat* format =
        request.format.empty() ? guessFormat(content, request.input) : formatNamed(request.format);
    if (!format) return reportFailure(request.input + ": cannot tell its format; name it with --from");
    const ImportedMelody imported = importMelody(*format, content, request.options);
    if (!imported.failure.empty()) return reportFailure(request.input + ": " + imported.failure);
    const MelodyTune tune = melodyTune(imported.melody);
    if (tune.text.empty()) return reportFailure(request.input + ": no note in it is long enough to play");
    for (const std::string& notice : imported.notices) reportNotice(notice);
    for (const std::string& notice : tune.notices) reportNotice(notice);
    if (std::string reason = writeOutput(request.output, tuneFileBytes(tune.text)); !reason.empty())
        return reportFailure("cannot write " + request.output + ": " + reason);
    return 0;
}
