// The options that change how a melody is read, moved and timed, shared by the commands
// that read one.
#pragma once

#include <string>
#include <string_view>

#include "melody.h"

// --a4, --track, --channel, --transpose and --tempo.
bool isMelodyOption(std::string_view option);
// --transpose and --tempo, which the exports of a tune file take too.
bool isMoveOption(std::string_view option);
// The reason the value does not fit the option, else empty text with the value taken.
std::string readMelodyOption(std::string_view option, std::string_view value, ImportOptions& options);

// Every tone moved by the options' semitones, every length scaled by their tempo.
void moveAndTime(Melody& melody, const ImportOptions& options);
