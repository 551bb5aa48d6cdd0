// pipalo-tune: lists, plays and exports Pipalo's tune files, read with the walk the
// program's own playback makes.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "alsa_tone_output.h"
#include "export_command.h"
#include "formats/midi.h"
#include "convert_command.h"
#include "melody_import.h"
#include "melody_writers.h"
#include "picture_program.h"
#include "pitch.h"
#include "request.h"
#include "tool_messages.h"
#include "tune_listing.h"
#include "wav_export.h"

namespace {

constexpr char usageCommands[] =
    "Usage: pipalo-tune list FILE\n"
    "       pipalo-tune play FILE\n"
    "       pipalo-tune wav FILE -o OUT.wav [--transpose N] [--tempo PERCENT]\n"
    "       pipalo-tune midi FILE -o OUT.mid [--transpose N] [--tempo PERCENT]\n"
    "       pipalo-tune rtttl|beep|arduino FILE [--transpose N] [--tempo PERCENT]\n"
    "       pipalo-tune convert IN OUT|-o OUT [--from FORMAT] [--to FORMAT] [MELODY OPTIONS]\n"
    "       pipalo-tune import IN -o OUT.TPZ [--from FORMAT] [MELODY OPTIONS]\n"
    "       pipalo-tune picture [--size N] FILE -o OUT.png|OUT.svg\n"
    "\n"
    "Lists, plays or exports a Pipalo tune file (.TPZ).\n"
    "  list   one line per tone: frequency, length, nearest note and cents off\n"
    "  play   plays the tones on the sound card, as Pipalo plays them\n"
    "  wav    writes the tones as 48 kHz, 16-bit mono samples\n"
    "  midi   writes a Standard MIDI File, each tone its nearest note bent to pitch\n"
    "  rtttl, beep, arduino   print the tones as a ringtone, a beep command or a sketch\n"
    "  picture  draws the tune as a piano roll: time across, pitch up\n"
    "  convert reads a melody in one format and writes it in another, each the FORMAT\n"
    "         named or else the one its file name ends in (the input's also guessed\n"
    "         from its content); - is standard input or output; OUT.wav is the sound\n"
    "         of the tune file the melody makes, as wav writes it\n"
    "  import  is convert to a tune file. The formats of both:\n";

constexpr char usageOptions[] =
    "\n"
    "  -o, --output FILE   where wav, midi, picture, convert and import write; - for standard output\n"
    "  -s, --size N        the picture's width and height in pixels, 32 to 4096 (256)\n"
    "  --from FORMAT       the format convert and import read\n"
    "  --to FORMAT         the format convert writes\n"
    "  --a4 HZ             the La4 that notes read are tuned from (440)\n"
    "  --track N           only that track of a MIDI file, from 1\n"
    "  --channel N         only that channel of a MIDI file, 1 to 16\n"
    "  --transpose N       every tone moved by N equal-tempered semitones, -48 to 48\n"
    "  --tempo PERCENT     every length played at that speed, 1 to 10000 (100 as written)\n"
    "  -h, --help          shows this help\n"
    "  -V, --version       shows the version\n"
    "  --                  ends the options: what follows is a file name\n";

int run(const Request& request, char** argv) {
    if (request.command == "picture") return runPictureProgram(argv);
    std::vector<TuneRecord> records;
    if (!readRecords(request, records)) return failureExit;
    if (request.command == "play") {
        // The last tone plays out as the output closes.
        posix::AlsaToneOutput soundCard("pipalo-tune");
        for (const TuneRecord& record : records)
            if (isSounded(record)) soundCard.play(record.frequency, record.duration);
        return 0;
    }
    if (request.command == "list") {
        std::fputs(tuneListing(records).c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : reportFailure("cannot write the listing");
    }
    if (request.moved) records = movedRecords(records, request.moves);
    const std::string reason = request.command == "wav" ? writeWav(records, request.output) : writeMidi(records, request.output);
    return written(request, reason);
}

int runTool(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    for (std::string_view argument : arguments) {
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help") {
            std::fputs((usageCommands + formatHelp() + usageOptions).c_str(), stdout);
            return 0;
        }
        if (argument == "-V" || argument == "--version") {
            std::puts("pipalo-tune " PIPALO_VERSION);
            return 0;
        }
    }
    if (!arguments.empty() && arguments.front() == "convert")
        return convertCommand({arguments.begin() + 1, arguments.end()});
    if (!arguments.empty() && arguments.front() == "import")
        return importCommand({arguments.begin() + 1, arguments.end()});
    if (!arguments.empty() && isTextExport(arguments.front()))
        return exportCommand(arguments.front(), {arguments.begin() + 1, arguments.end()});
    Request request;
    if (std::string reason = parse(arguments, request); !reason.empty()) return reportFailure(reason, usageExit);
    return run(request, argv);
}

}  // namespace

// Memory that runs out, or any other exception, ends the tool with one line, as every failure.
int main(int argc, char** argv) {
    // A reader that goes away is a failed write, reported as every other.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return runTool(argc, argv);
    } catch (const std::exception& error) {
        return reportFailure(std::string("stopped: ") + error.what());
    }
}
