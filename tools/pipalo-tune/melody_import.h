// The melody formats pipalo-tune reads and writes: one descriptor for each, from which
// the guess of a file's format, --from, --to, the help and the manual's list all come.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "melody.h"
#include "melody_writers.h"

// How surely a content is of a format, for the guess.
enum class Resemblance { none, maybe, surely };

struct MelodyFormat {
    std::string_view name;                    // as --from and --to take it
    std::vector<std::string_view> endings;    // of file names, lower case
    std::string_view summary;                 // one line of the help
    bool binary;                              // places named by byte offset, not line and column
    Resemblance (*resemblance)(std::string_view content);
    // The reason the content is no melody of the format, naming the place, else empty
    // text with the melody in the builder.
    std::string (*read)(std::string_view content, MelodyBuilder& melody);
    // The melody in the format, what it could not keep told in the output.
    MelodyWriter write;
};

// Pipalo's own tune files, which import writes.
extern const MelodyFormat tuneFormat;

// Every format; the guess takes the first that surely matches.
const std::vector<const MelodyFormat*>& melodyFormats();

const MelodyFormat* formatNamed(std::string_view name);
// A content's format: a binary one its first bytes name, else the one its name's ending
// names, else the one it surely is, else one it may be.
const MelodyFormat* guessFormat(std::string_view content, std::string_view fileName);
// Whether the text ends so, in either case; `ending` is lower case.
bool endsWithIgnoringCase(std::string_view text, std::string_view ending);
// The format a file's name ends in, for the output of a conversion.
const MelodyFormat* formatEndingIn(std::string_view fileName);

struct ImportedMelody {
    std::string failure;  // empty when the melody was read
    Melody melody;
    std::vector<std::string> notices;  // the readings the importer chose, for the user
};

// Reads the content in the format, then moves and times it as the options ask; a content
// with no tone in it is refused too.
ImportedMelody importMelody(const MelodyFormat& format, std::string_view content, const ImportOptions& options);

// "rtttl, beep, ... or midi", for the messages that name them all.
std::string formatNames();
// The lines of the help that list the formats, their summaries and file-name endings.
std::string formatHelp();
