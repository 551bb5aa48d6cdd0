// The rtttl, beep and arduino commands: a tune file read as playback reads it, then printed.
#include "export_command.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "arduino_export.h"
#include "beep_export.h"
#include "melody_writers.h"
#include "pitch.h"
#include "rtttl_export.h"
#include "tool_messages.h"
#include "tune_file.h"

bool isTextExport(std::string_view command) {
    return command == "rtttl" || command == "beep" || command == "arduino";
}

int exportCommand(std::string_view command, std::vector<std::string_view> arguments) {
    if (!arguments.empty() && arguments.front() == "--") arguments.erase(arguments.begin());
    if (arguments.empty()) return reportFailure(std::string(command) + " needs a tune file", usageExit);
    if (arguments.size() > 1) return reportFailure("unexpected argument " + std::string(arguments[1]), usageExit);
    const std::string path(arguments[0]);
    std::string text;
    if (std::string reason = readTuneFile(path, text); !reason.empty())
        return reportFailure("cannot read " + path + ": " + reason);
    std::vector<TuneRecord> records = tuneRecords(text.c_str());
    // The player takes no time over a record it does not sound; neither do the exports.
    std::erase_if(records, [](const TuneRecord& record) { return !isSounded(record); });
    if (records.empty()) return reportFailure(path + ": no tone in it to export");
    std::string output;
    if (command == "rtttl") {
        const RtttlExport ringtone = rtttlExport(recordsMelody(records), melodyName(path));
        for (const std::string& notice : ringtone.notices) reportNotice(notice);
        output = ringtone.text + "\n";
    } else if (command == "beep") {
        output = beepExport(records);
    } else {
        output = arduinoExport(records, melodyName(path));
    }
    std::fputs(output.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : reportFailure("cannot write the " + std::string(command) + " text");
}
