// The tones of a tune as the player's samples in a WAV file: 48 kHz, mono, 16 bit.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// Written to a file or to standard output ("-"); a tune whose samples take more than
// 4 GiB is refused before anything is written.
// Returns the reason the file could not be written, else empty text.
std::string writeWav(const std::vector<TuneRecord>& records, const std::string& path);
