// The MIDI format's writer of a tune's records as they are, for the midi command.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// Written in one pass over the records, to a file or to standard output ("-").
// Returns the reason the file could not be written, else empty text.
std::string writeMidi(const std::vector<TuneRecord>& records, const std::string& path);
