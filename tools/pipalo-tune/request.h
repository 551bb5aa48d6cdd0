// What a pipalo-tune command line asks for, and the tune it names: the tool and its
// drawing program read them alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "melody.h"
#include "tune_text.h"

constexpr int smallestPictureSize = 32;
constexpr int largestPictureSize = 4096;
constexpr int defaultPictureSize = 256;

struct Request {
    std::string command;
    std::string tune;
    std::string output;
    int pictureSize = defaultPictureSize;
    ImportOptions moves;  // --transpose and --tempo of the wav and midi exports
    bool moved = false;
};

// Whether the argument is an option: "-" alone names standard output, "--" ends the options.
bool isOption(std::string_view argument);

// The size in pixels that the text asks for, or 0 when it is no whole number from the
// smallest to the largest size.
int pictureSize(std::string_view text);

// The reason the arguments make no request, else empty text.
std::string parse(const std::vector<std::string_view>& arguments, Request& request);

// The records of the requested tune, read as the program's playback reads them; false,
// with the reason told, when the file cannot be read or holds no record.
bool readRecords(const Request& request, std::vector<TuneRecord>& records);

// The exit code for an output written, or not written for the reason given.
int written(const Request& request, const std::string& reason);
