// The command line Windows hands WinMain, made from the arguments Linux gives main.
#pragma once

#include <string>

// The arguments after the program's name, each quoted where Windows' runtime needs it to read
// the argument back unchanged, separated by spaces.
std::string windowsCommandLine(int argc, const char* const* argv);
