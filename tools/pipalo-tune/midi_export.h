// The tones of a tune as a Standard MIDI File of format 0: each tone the nearest
// note, bent the rest of the way, at a tempo where one tick is one millisecond.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// The bytes of the file, made in one pass over the records.
std::string midiFile(const std::vector<TuneRecord>& records);

// Written in one pass over the records, to a file or to standard output ("-").
// Returns the reason the file could not be written, else empty text.
std::string writeMidi(const std::vector<TuneRecord>& records, const std::string& path);
