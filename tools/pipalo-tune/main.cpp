// pipalo-tune: lists, plays and exports Pipalo's tune files, read with the walk the
// program's own playback makes.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "alsa_tone_output.h"
#include "export_command.h"
#include "import_command.h"
#include "midi_export.h"
#include "pitch.h"
#include "tune_file.h"
#include "tune_listing.h"
#include "tune_picture.h"
#include "tune_text.h"
#include "wav_export.h"

namespace {

constexpr char usage[] =
    "Usage: pipalo-tune list FILE\n"
    "       pipalo-tune play FILE\n"
    "       pipalo-tune wav FILE -o OUT.wav\n"
    "       pipalo-tune midi FILE -o OUT.mid\n"
    "       pipalo-tune rtttl|beep|arduino FILE\n"
    "       pipalo-tune import IN -o OUT.TPZ [--from FORMAT] [--a4 HZ] [--track N] [--channel N]\n"
    "       pipalo-tune picture [--size N] FILE -o OUT.png|OUT.svg\n"
    "\n"
    "Lists, plays or exports a Pipalo tune file (.TPZ).\n"
    "  list   one line per tone: frequency, length, nearest note and cents off\n"
    "  play   plays the tones on the sound card, as Pipalo plays them\n"
    "  wav    writes the tones as 48 kHz, 16-bit mono samples\n"
    "  midi   writes a Standard MIDI File, each tone its nearest note bent to pitch\n"
    "  rtttl, beep, arduino   print the tones as a ringtone, a beep command or a sketch\n"
    "  import reads a melody of another program into a tune file; FORMAT is rtttl,\n"
    "         beep, arduino, mml, abc or midi, else guessed from the content and name\n"
    "  picture  draws the tune as a piano roll: time across, pitch up\n"
    "\n"
    "  -o, --output FILE   where wav, midi, picture and import write\n"
    "  -s, --size N        the picture's width and height in pixels, 32 to 4096 (256)\n"
    "  --from FORMAT       the format import reads\n"
    "  --a4 HZ             the La4 that imported notes are tuned from (440)\n"
    "  --track N           only that track of a MIDI file, from 1\n"
    "  --channel N         only that channel of a MIDI file, 1 to 16\n"
    "  -h, --help          shows this help\n"
    "  -V, --version       shows the version\n";

struct Request {
    std::string command;
    std::string tune;
    std::string output;
    int pictureSize = defaultPictureSize;
};

int fail(const std::string& message, int exitCode = 1) {
    std::fprintf(stderr, "pipalo-tune: %s\n", message.c_str());
    return exitCode;
}

constexpr int usageError = 2;

// The reason the arguments make no request, else empty text.
std::string parse(const std::vector<std::string_view>& arguments, Request& request) {
    std::optional<std::string_view> size;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (argument == "-o" || argument == "--output") {
            if (++index == arguments.size()) return "option " + std::string(argument) + " needs a file name";
            request.output = arguments[index];
        } else if (argument.starts_with("--output=")) {
            request.output = argument.substr(9);
        } else if (argument == "-s" || argument == "--size") {
            if (++index == arguments.size()) return "option " + std::string(argument) + " needs a number of pixels";
            size = arguments[index];
        } else if (argument.starts_with("--size=")) {
            size = argument.substr(7);
        } else if (argument.size() > 1 && argument.starts_with("-")) {
            return "unknown option " + std::string(argument) + " (see pipalo-tune --help)";
        } else if (request.command.empty()) {
            request.command = argument;
        } else if (request.tune.empty()) {
            request.tune = argument;
        } else {
            return "unexpected argument " + std::string(argument) + " (see pipalo-tune --help)";
        }
    }
    if (request.command.empty()) return "no command given (see pipalo-tune --help)";
    const bool exports = request.command == "wav" || request.command == "midi" || request.command == "picture";
    if (!exports && request.command != "list" && request.command != "play")
        return "unknown command " + request.command + " (see pipalo-tune --help)";
    if (request.tune.empty()) return request.command + " needs a tune file";
    if (exports && request.output.empty()) return request.command + " needs an output file: -o FILE";
    if (!exports && !request.output.empty()) return request.command + " writes no file: drop -o";
    if (size) {
        if (request.command != "picture") return request.command + " draws no picture: drop --size";
        request.pictureSize = pictureSize(*size);
        if (request.pictureSize == 0)
            return "--size takes a number of pixels from " + std::to_string(smallestPictureSize) + " to " +
                   std::to_string(largestPictureSize) + ", not " + std::string(*size);
    }
    return {};
}

int run(const Request& request) {
    std::string text;
    if (std::string reason = readTuneFile(request.tune, text); !reason.empty())
        return fail("cannot read " + request.tune + ": " + reason);
    // As the program's playback, the text ends at its first NUL.
    const std::vector<TuneRecord> records = tuneRecords(text.c_str());
    if (request.command == "play") {
        // The last tone plays out as the output closes.
        posix::AlsaToneOutput soundCard("pipalo-tune");
        for (const TuneRecord& record : records)
            if (isSounded(record)) soundCard.play(record.frequency, record.duration);
        return 0;
    }
    if (request.command == "list") {
        std::fputs(tuneListing(records).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : fail("cannot write the listing");
    }
    const std::string reason = request.command == "wav"     ? writeWav(records, request.output)
                               : request.command == "picture" ? writeTunePicture(records, request.pictureSize, request.output)
                                                              : writeMidi(records, request.output);
    return reason.empty() ? 0 : fail("cannot write " + request.output + ": " + reason);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    for (std::string_view argument : arguments) {
        if (argument == "-h" || argument == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "-V" || argument == "--version") {
            std::puts("pipalo-tune " PIPALO_VERSION);
            return 0;
        }
    }
    if (!arguments.empty() && arguments.front() == "import")
        return importCommand({arguments.begin() + 1, arguments.end()});
    if (!arguments.empty() && isTextExport(arguments.front()))
        return exportCommand(arguments.front(), {arguments.begin() + 1, arguments.end()});
    Request request;
    if (std::string reason = parse(arguments, request); !reason.empty()) return fail(reason, usageError);
    return run(request);
}
