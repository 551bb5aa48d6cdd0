// Where a command writes what it made: standard output for "-", else the file named,
// saved so that nothing it held is lost (see saveFile).
#pragma once

#include <string>
#include <string_view>

// Returns the reason the bytes could not be written, else empty text.
std::string writeOutput(const std::string& path, std::string_view bytes);
