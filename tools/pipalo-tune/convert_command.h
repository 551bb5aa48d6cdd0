// `pipalo-tune convert IN OUT` and `pipalo-tune import IN -o OUT`: a melody read in one
// format and written in another, a tune file being one of them.
#pragma once

#include <string_view>
#include <vector>

// The arguments after "convert"; returns the exit code.
int convertCommand(const std::vector<std::string_view>& arguments);
// The arguments after "import", whose output is always a tune file; returns the exit code.
int importCommand(const std::vector<std::string_view>& arguments);
