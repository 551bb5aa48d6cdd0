// The choice of importer: a format by its name, or guessed from a file's content and name.
#include "melody_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "source_text.h"

namespace {

struct FormatName {
    MelodyFormat format;
    const char* name;
};

constexpr std::array<FormatName, 6> formatNames = {{
    {MelodyFormat::rtttl, "rtttl"},
    {MelodyFormat::beep, "beep"},
    {MelodyFormat::arduino, "arduino"},
    {MelodyFormat::mml, "mml"},
    {MelodyFormat::abc, "abc"},
    {MelodyFormat::midi, "midi"},
}};

struct Extension {
    const char* extension;
    MelodyFormat format;
};

constexpr std::array<Extension, 14> extensions = {{
    {".rtttl", MelodyFormat::rtttl}, {".rtx", MelodyFormat::rtttl}, {".sh", MelodyFormat::beep},
    {".beep", MelodyFormat::beep},   {".ino", MelodyFormat::arduino}, {".pde", MelodyFormat::arduino},
    {".cpp", MelodyFormat::arduino}, {".mml", MelodyFormat::mml},     {".bas", MelodyFormat::mml},
    {".abc", MelodyFormat::abc},     {".mid", MelodyFormat::midi},    {".midi", MelodyFormat::midi},
    {".smf", MelodyFormat::midi},    {".kar", MelodyFormat::midi},
}};

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                  std::tolower(static_cast<unsigned char>(b)); });
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& character : lower) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return lower;
}

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    return line;
}

bool isAbcField(std::string_view line, char field) {
    return line.size() >= 2 && line[0] == field && line[1] == ':';
}

// A shell line that runs beep: "beep ...", "/usr/bin/beep ...", "sudo beep ...".
bool runsBeep(std::string_view line) {
    if (line.starts_with("sudo ")) line = trimmed(line.substr(5));
    const std::string_view command = line.substr(0, line.find_first_of(" \t;&|"));
    return command == "beep" || command.ends_with("/beep");
}

bool isMmlText(std::string_view line) {
    return !line.empty() && line.find_first_not_of("abcdefgABCDEFGnNoOlLtTpPmM<>#+-.0123456789 \t") ==
                                std::string_view::npos;
}

std::optional<MelodyFormat> guessFromContent(std::string_view content) {
    const std::string lower = lowerCase(content);
    bool abcKey = false;
    bool abcHeader = false;
    bool beep = false;
    bool allMml = true;
    std::string_view firstLine;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t lineEnd = std::min(content.find('\n', start), content.size());
        const std::string_view line = trimmed(content.substr(start, lineEnd - start));
        start = lineEnd + 1;
        if (line.empty()) continue;
        if (firstLine.empty()) firstLine = line;
        abcKey = abcKey || isAbcField(line, 'K');
        abcHeader = abcHeader || isAbcField(line, 'X') || isAbcField(line, 'T') || isAbcField(line, 'L');
        beep = beep || runsBeep(line);
        allMml = allMml && isMmlText(line);
    }
    if (abcKey && abcHeader) return MelodyFormat::abc;
    if (beep) return MelodyFormat::beep;
    if (content.find("NOTE_") != std::string_view::npos || lower.find("tone(") != std::string::npos)
        return MelodyFormat::arduino;
    if (lower.find("play \"") != std::string::npos || lower.find("play\"") != std::string::npos)
        return MelodyFormat::mml;
    if (std::count(firstLine.begin(), firstLine.end(), ':') >= 2) return MelodyFormat::rtttl;
    if (allMml && !firstLine.empty()) return MelodyFormat::mml;
    return std::nullopt;
}

// Ten hours of notes: more than any tune, few enough records for any memory.
constexpr double longestTune = 10 * 3600 * 1000.0;
constexpr double highestFrequency = 1e6;

std::string checkLengths(const Melody& melody) {
    double total = 0;
    for (const MelodyEvent& event : melody) {
        if (!std::isfinite(event.milliseconds) || event.milliseconds < 0) return "a note of no possible length";
        if (!std::isfinite(event.frequency) || event.frequency < 0 || event.frequency > highestFrequency)
            return "a note far above hearing";
        total += event.milliseconds;
    }
    if (total > longestTune) return "the melody lasts more than ten hours";
    return {};
}

}  // namespace

std::optional<MelodyFormat> formatNamed(std::string_view name) {
    for (const FormatName& entry : formatNames)
        if (name == entry.name) return entry.format;
    return std::nullopt;
}

std::optional<MelodyFormat> guessFormat(std::string_view content, std::string_view fileName) {
    // A MIDI file says so in its first bytes, whatever its name.
    if (content.starts_with("MThd")) return MelodyFormat::midi;
    for (const Extension& entry : extensions)
        if (endsWithIgnoringCase(fileName, entry.extension)) return entry.format;
    return guessFromContent(content);
}

std::string importMelody(MelodyFormat format, std::string_view content, const ImportOptions& options,
                         Melody& melody) {
    melody.clear();
    std::string reason;
    switch (format) {
        case MelodyFormat::beep: reason = importBeep(content, options, melody); break;
        case MelodyFormat::mml: reason = importMml(content, options, melody); break;
        case MelodyFormat::abc: reason = importAbc(content, options, melody); break;
        case MelodyFormat::arduino: reason = importArduino(content, options, melody); break;
        case MelodyFormat::midi: reason = importMidi(content, options, melody); break;
        case MelodyFormat::rtttl: reason = importRtttl(content, options, melody); break;
    }
    if (!reason.empty()) {
        melody.clear();
        return reason;
    }
    if (std::string reason = checkLengths(melody); !reason.empty()) {
        melody.clear();
        return (format == MelodyFormat::midi ? "byte 0" : placeOf(content, 0)) + ": " + reason;
    }
    const bool hasTone = std::any_of(melody.begin(), melody.end(),
                                     [](const MelodyEvent& event) { return event.frequency > restFrequency; });
    if (hasTone) return {};
    melody.clear();
    if (format == MelodyFormat::midi) return "byte " + std::to_string(content.size()) + ": no note in the file";
    return placeOf(content, content.size()) + ": no note before the end of the text";
}
