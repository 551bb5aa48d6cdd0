// `pipalo-tune rtttl|beep|arduino FILE`: a tune file printed in another program's format,
// moved and timed as --transpose and --tempo ask.
#pragma once

#include <string_view>
#include <vector>

bool isTextExport(std::string_view command);

// The command and its arguments; returns the exit code.
int exportCommand(std::string_view command, const std::vector<std::string_view>& arguments);
