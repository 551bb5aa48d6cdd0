// The melody formats pipalo-tune reads, each read by its own importer, and the
// guess of a file's format from its content and name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "melody.h"

enum class MelodyFormat { rtttl, beep, arduino, mml, abc, midi };

// The format a --from names ("rtttl", "beep", "arduino", "mml", "abc", "midi").
std::optional<MelodyFormat> formatNamed(std::string_view name);
std::optional<MelodyFormat> guessFormat(std::string_view content, std::string_view fileName);

// Each importer returns the reason the content is no melody of its format, naming
// the place (line and column, or byte offset), else empty text with the melody read.
std::string importRtttl(std::string_view text, const ImportOptions& options, Melody& melody);
std::string importBeep(std::string_view text, const ImportOptions& options, Melody& melody);
std::string importArduino(std::string_view text, const ImportOptions& options, Melody& melody);
std::string importMml(std::string_view text, const ImportOptions& options, Melody& melody);
std::string importAbc(std::string_view text, const ImportOptions& options, Melody& melody);
std::string importMidi(std::string_view bytes, const ImportOptions& options, Melody& melody);

// Reads the content in the format; a content with no tone in it is refused too.
std::string importMelody(MelodyFormat format, std::string_view content, const ImportOptions& options,
                         Melody& melody);
