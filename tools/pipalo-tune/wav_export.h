// The tones of a tune as the player's samples in a WAV file: 48 kHz, mono, 16 bit.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// Returns the reason the file could not be written, else empty text.
std::string writeWav(const std::vector<TuneRecord>& records, const std::string& path);
