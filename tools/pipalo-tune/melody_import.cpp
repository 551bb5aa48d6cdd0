// The formats in one list, the guess made from their own tests, and the import with the
// checks every format shares.
#include "melody_import.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "melody_options.h"

namespace {

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

const MelodyFormat* firstResembling(std::string_view content, Resemblance wanted) {
    for (const MelodyFormat* format : melodyFormats())
        if (format->resemblance(content) == wanted) return format;
    return nullptr;
}

}  // namespace

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char ending, char text) { return std::tolower(static_cast<unsigned char>(text)) == ending; });
}

// Each format's descriptor ends its file under formats/: a new format is that file, its
// name here and its file in the build's list.
extern const MelodyFormat rtttlFormat, beepFormat, arduinoFormat, mmlFormat, abcFormat, midiFormat, flipperFormat,
    gcodeFormat;

const std::vector<const MelodyFormat*>& melodyFormats() {
    static const std::vector<const MelodyFormat*> formats = {&rtttlFormat, &beepFormat,    &arduinoFormat,
                                                             &mmlFormat,   &abcFormat,     &midiFormat,
                                                             &flipperFormat, &gcodeFormat, &tuneFormat};
    return formats;
}

const MelodyFormat* formatNamed(std::string_view name) {
    for (const MelodyFormat* format : melodyFormats())
        if (format->name == name) return format;
    return nullptr;
}

const MelodyFormat* formatEndingIn(std::string_view fileName) {
    for (const MelodyFormat* format : melodyFormats())
        for (std::string_view ending : format->endings)
            if (endsWithIgnoringCase(fileName, ending)) return format;
    return nullptr;
}

const MelodyFormat* guessFormat(std::string_view content, std::string_view fileName) {
    // A binary format says so in its first bytes, whatever the file's name.
    for (const MelodyFormat* format : melodyFormats())
        if (format->binary && format->resemblance(content) == Resemblance::surely) return format;
    if (const MelodyFormat* named = formatEndingIn(fileName)) return named;
    if (const MelodyFormat* sure = firstResembling(content, Resemblance::surely)) return sure;
    return firstResembling(content, Resemblance::maybe);
}

ImportedMelody importMelody(const MelodyFormat& format, std::string_view content, const ImportOptions& options) {
    MelodyBuilder builder(content, format.binary, options);
    ImportedMelody imported;
    imported.failure = format.read(content, builder);
    moveAndTime(builder.melody, options);
    if (imported.failure.empty()) imported.failure = builder.overflow;
    if (imported.failure.empty())
        if (std::string reason = checkLengths(builder.melody); !reason.empty())
            imported.failure = builder.failureAt(0, reason);
    const bool hasTone = std::any_of(builder.melody.begin(), builder.melody.end(),
                                     [](const MelodyEvent& event) { return event.frequency > restFrequency; });
    if (imported.failure.empty() && !hasTone)
        imported.failure = builder.failureAt(content.size(), format.binary ? "no note in the file"
                                                                           : "no note before the end of the text");
    if (!imported.failure.empty()) return imported;
    imported.melody = std::move(builder.melody);
    imported.notices = std::move(builder.notices);
    return imported;
}

std::string formatNames() {
    std::string names;
    const std::vector<const MelodyFormat*>& formats = melodyFormats();
    for (std::size_t index = 0; index < formats.size(); ++index)
        names += std::string(index == 0 ? "" : index + 1 == formats.size() ? " or " : ", ") +
                 std::string(formats[index]->name);
    return names;
}

std::string formatHelp() {
    std::string help;
    for (const MelodyFormat* format : melodyFormats()) {
        std::string endings;
        for (std::string_view ending : format->endings) {
            if (!endings.empty()) endings += ' ';
            endings += ending;
        }
        help += "    ";
        help += format->name;
        // The summaries line up after the longest name, and stand apart from a longer one.
        help.append(format->name.size() < 9 ? 9 - format->name.size() : 1, ' ');
        help += format->summary;
        help += " (" + endings + ")\n";
    }
    return help;
}
