// The rtttl, beep and arduino commands: a tune file read as playback reads it, then printed.
#include "export_command.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "arduino_export.h"
#include "beep_export.h"
#include "pitch.h"
#include "rtttl_export.h"
#include "tune_file.h"

namespace {

int fail(const std::string& message, int exitCode) {
    std::fprintf(stderr, "pipalo-tune: %s\n", message.c_str());
    return exitCode;
}

constexpr int failure = 1;
constexpr int usageError = 2;

// The file's name without its folder and extension, to name the melody by.
std::string melodyName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

bool isTextExport(std::string_view command) {
    return command == "rtttl" || command == "beep" || command == "arduino";
}

int exportCommand(std::string_view command, const std::vector<std::string_view>& arguments) {
    if (arguments.empty()) return fail(std::string(command) + " needs a tune file", usageError);
    if (arguments.size() > 1) return fail("unexpected argument " + std::string(arguments[1]), usageError);
    const std::string path(arguments[0]);
    std::string text;
    if (std::string reason = readTuneFile(path, text); !reason.empty())
        return fail("cannot read " + path + ": " + reason, failure);
    std::vector<TuneRecord> records = tuneRecords(text.c_str());
    // The player takes no time over a record it does not sound; neither do the exports.
    std::erase_if(records, [](const TuneRecord& record) { return !isSounded(record); });
    if (records.empty()) return fail(path + ": no tone in it to export", failure);
    std::string output;
    if (command == "rtttl") {
        const RtttlExport ringtone = rtttlExport(records, melodyName(path));
        for (const std::string& notice : ringtone.notices) std::fprintf(stderr, "pipalo-tune: %s\n", notice.c_str());
        output = ringtone.text + "\n";
    } else if (command == "beep") {
        output = beepExport(records);
    } else {
        output = arduinoExport(records, melodyName(path));
    }
    std::fputs(output.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write the " + std::string(command) + " text", failure);
}
