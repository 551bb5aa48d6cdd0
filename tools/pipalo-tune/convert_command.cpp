// The convert and import commands: their options, the reading, the notices and the
// output written in the format asked for.
#include "convert_command.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "melody_import.h"
#include "melody_options.h"
#include "output_file.h"
#include "request.h"
#include "tool_messages.h"
#include "tune_file.h"
#include "tune_text.h"
#include "wav_export.h"

namespace {

struct ConvertRequest {
    std::string input;
    std::string output;
    std::string from;
    std::string to;
    ImportOptions options;
};

// A WAV file is the sound of the tune file the melody makes, not a melody format: it is
// written, never read.
constexpr std::string_view wavName = "wav";

bool wantsWav(const ConvertRequest& request) {
    return request.to.empty() ? endsWithIgnoringCase(request.output, ".wav") : request.to == wavName;
}

// The reason the arguments make no conversion, else empty text.
std::string parse(const std::vector<std::string_view>& arguments, bool import, ConvertRequest& request) {
    bool optionsEnded = false;
    std::vector<std::string_view> files;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !isOption(argument)) {
            files.push_back(argument);
            continue;
        }
        const bool output = argument == "-o" || argument == "--output";
        if (!output && argument != "--from" && !(argument == "--to" && !import) && !isMelodyOption(argument))
            return "unknown option " + std::string(argument) + " (see pipalo-tune --help)";
        if (++index == arguments.size()) return "option " + std::string(argument) + " needs a value";
        const std::string_view value = arguments[index];
        if (output) {
            request.output = value;
        } else if (argument == "--from" || argument == "--to") {
            const bool wav = argument == "--to" && value == wavName;
            if (!wav && !formatNamed(value))
                return std::string(argument) + " takes " + formatNames() +
                       (argument == "--to" ? ", or wav for the tune's sound" : "");
            (argument == "--from" ? request.from : request.to) = value;
        } else if (std::string reason = readMelodyOption(argument, value, request.options); !reason.empty()) {
            return reason;
        }
    }
    const char* command = import ? "import" : "convert";
    if (files.empty()) return std::string(command) + " needs a file to read";
    request.input = files.front();
    // Convert takes its output after its input, or with -o as import does.
    const bool outputAfterInput = !import && request.output.empty();
    if (outputAfterInput && files.size() > 1) request.output = files[1];
    const std::size_t mostFiles = outputAfterInput ? 2 : 1;
    if (files.size() > mostFiles) return "unexpected argument " + std::string(files[mostFiles]);
    if (import && request.output.empty()) return "import needs a tune file to write: -o OUT.TPZ";
    if (request.output.empty()) return "convert needs a file to write: convert IN OUT";
    if (import) request.to = tuneFormat.name;
    return {};
}

// No melody is longer than a tune file may be: an endless input (a device, a pipe) is
// read no further.
constexpr std::size_t largestInput = 16 << 20;

std::string readWhole(const std::string& path, std::string& content) {
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) return "cannot read " + path;
    char block[65536];
    std::size_t count;
    while (content.size() <= largestInput && (count = std::fread(block, 1, sizeof block, file)) > 0)
        content.append(block, count);
    const bool failed = std::ferror(file);
    if (file != stdin) std::fclose(file);
    if (failed) return "cannot read " + path;
    if (content.size() > largestInput) return path + ": larger than any melody (16 MiB)";
    return {};
}

int convert(const ConvertRequest& request) {
    const bool wav = wantsWav(request);
    const MelodyFormat* writer =
        wav ? &tuneFormat : request.to.empty() ? formatEndingIn(request.output) : formatNamed(request.to);
    if (!writer)
        return reportFailure(request.output + ": cannot tell which format to write; name it with --to", usageExit);
    std::string content;
    if (std::string reason = readWhole(request.input, content); !reason.empty()) return reportFailure(reason);
    const MelodyFormat* reader =
        request.from.empty() ? guessFormat(content, request.input) : formatNamed(request.from);
    if (!reader) return reportFailure(request.input + ": cannot tell its format; name it with --from");
    const ImportedMelody imported = importMelody(*reader, content, request.options);
    if (!imported.failure.empty()) return reportFailure(request.input + ": " + imported.failure);
    for (const std::string& notice : imported.notices) reportNotice(notice);
    MelodyOutput output{request.output, melodyName(request.output == "-" ? request.input : request.output), {}, {}};
    const std::string bytes = writer->write(imported.melody, output);
    for (const std::string& notice : output.notices) reportNotice(notice);
    std::string reason = !output.failure.empty() ? output.failure
                         : wav ? writeWav(tuneRecords(tuneFileText(bytes).c_str()), request.output)
                               : writeOutput(request.output, bytes);
    if (!reason.empty()) return reportFailure("cannot write " + request.output + ": " + reason);
    return 0;
}

}  // namespace

int convertCommand(const std::vector<std::string_view>& arguments) {
    ConvertRequest request;
    if (std::string reason = parse(arguments, false, request); !reason.empty()) return reportFailure(reason, usageExit);
    return convert(request);
}

int importCommand(const std::vector<std::string_view>& arguments) {
    ConvertRequest request;
    if (std::string reason = parse(arguments, true, request); !reason.empty()) return reportFailure(reason, usageExit);
    return convert(request);
}
