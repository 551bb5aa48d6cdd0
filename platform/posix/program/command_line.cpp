// The command line Windows hands WinMain, made from the arguments Linux gives main.
#include "command_line.h"

namespace {

// Backslashes are literal except before a quote, where they escape in pairs: those
// ahead of a quote, and ahead of the closing quote, are doubled.
std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string result = "\"";
    std::size_t backslashes = 0;
    for (const char character : argument) {
        if (character == '"') result.append(backslashes + 1, '\\');
        backslashes = character == '\\' ? backslashes + 1 : 0;
        result += character;
    }
    result.append(backslashes, '\\');
    return result + '"';
}

}  // namespace

std::string windowsCommandLine(int argc, const char* const* argv) {
    std::string commandLine;
    for (int index = 1; index < argc; ++index) {
        if (index > 1) commandLine += ' ';
        commandLine += quoted(argv[index]);
    }
    return commandLine;
}
