// The tones of a tune as an Arduino sketch: frequencies and lengths in flash memory,
// played from loop() by the clock, so that the sketch can do other work meanwhile.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

std::string arduinoExport(const std::vector<TuneRecord>& records, const std::string& name);
