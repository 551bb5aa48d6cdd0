// The tune text: what a tune file holds once its line ends are read back. A
// header line starts each recording, then one record per tone; the recording
// writes it and playback walks it, both by the layout below.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "win32.h"

constexpr char headerLine[] = "// Read this as frequenty, length in milliseconds\n";

// A record: the frequency, a ",", the duration and a line feed. Both fields are three
// characters wide, and the reader takes records at a fixed stride, never looking at the
// separator or the line feed.
constexpr std::size_t fieldWidth = 3;
constexpr std::size_t durationOffset = 4;
constexpr std::size_t recordStride = 8;

// The record of one tone, each field as three decimal digits: a duration below 100 ms
// keeps its leading zeros, which the reader skips as atoi does.
std::string tuneRecord(unsigned frequency, unsigned milliseconds);

struct TuneRecord {
    DWORD frequency;
    DWORD duration;
};

// The records as playback meets them, in order: read at the fixed stride, with a comment
// recognised only where a record could begin. Each field reads as atoi reads it, a negative
// value as 0, and nothing past the end of the text is read.
std::vector<TuneRecord> tuneRecords(const char* text);
