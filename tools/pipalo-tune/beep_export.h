// The tones of a tune as a beep command line, each tone its own note at its exact
// frequency and length.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

// `pausesAfter`, when given, holds the milliseconds of silence after each tone: beep's -D.
std::string beepExport(const std::vector<TuneRecord>& records, const std::vector<long>& pausesAfter = {});
