// `pipalo-tune import IN -o OUT`: a melody of another program made into a tune file.
#pragma once

#include <string_view>
#include <vector>

// The arguments after "import"; returns the exit code.
int importCommand(const std::vector<std::string_view>& arguments);
