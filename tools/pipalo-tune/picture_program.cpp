// Running the drawing program from the tool's own folder.
#include "picture_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "tool_messages.h"

int runPictureProgram(char** arguments) {
    // The program lies at one place beside the tool, in the build tree as when installed.
    std::error_code error;
    const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return reportFailure("cannot tell where pipalo-tune lies, to find its drawing program: " + error.message());
    const std::string program = (tool.parent_path() / PIPALO_PICTURE_PROGRAM).lexically_normal().string();
    execv(program.c_str(), arguments);
    return reportFailure("cannot run the drawing program " + program + ": " + std::strerror(errno));
}
