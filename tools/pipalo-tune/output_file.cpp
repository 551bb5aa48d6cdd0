// A command's output: standard output, or a file saved safely.
#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "saved_file.h"

std::string writeOutput(const std::string& path, std::string_view bytes) {
    if (path != "-") return saveFile(path, bytes);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        return std::strerror(errno);
    return {};
}
