// The rtttl, beep and arduino commands: a tune file read as playback reads it, then
// printed by the writer of the format of the same name.
#include "export_command.h"

#include <string>

#include "melody_import.h"
#include "melody_options.h"
#include "output_file.h"
#include "request.h"
#include "tool_messages.h"
#include "tune_file.h"

bool isTextExport(std::string_view command) {
    return command == "rtttl" || command == "beep" || command == "arduino";
}

int exportCommand(std::string_view command, const std::vector<std::string_view>& arguments) {
    std::vector<std::string_view> files;
    ImportOptions moves;
    bool optionsEnded = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (optionsEnded || !isOption(argument)) {
            files.push_back(argument);
        } else if (!isMoveOption(argument)) {
            return reportFailure("unknown option " + std::string(argument) + " (see pipalo-tune --help)", usageExit);
        } else if (++index == arguments.size()) {
            return reportFailure("option " + std::string(argument) + " needs a value", usageExit);
        } else if (std::string reason = readMelodyOption(argument, arguments[index], moves); !reason.empty()) {
            return reportFailure(reason, usageExit);
        }
    }
    if (files.empty()) return reportFailure(std::string(command) + " needs a tune file", usageExit);
    if (files.size() > 1) return reportFailure("unexpected argument " + std::string(files[1]), usageExit);
    const std::string path(files[0]);
    std::string text;
    if (std::string reason = readTuneFile(path, text); !reason.empty())
        return reportFailure("cannot read " + path + ": " + reason);
    // The player takes no time over a record it does not sound; neither do the exports.
    Melody melody = recordsMelody(tuneRecords(text.c_str()));
    if (melody.empty()) return reportFailure(path + ": no tone in it to export");
    moveAndTime(melody, moves);
    MelodyOutput output{"-", melodyName(path), {}, {}};
    const std::string exported = formatNamed(command)->write(melody, output);
    for (const std::string& notice : output.notices) reportNotice(notice);
    const std::string reason = output.failure.empty() ? writeOutput("-", exported) : output.failure;
    return reason.empty() ? 0 : reportFailure("cannot write the " + std::string(command) + " text: " + reason);
}
