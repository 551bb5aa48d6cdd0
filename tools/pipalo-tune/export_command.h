// `pipalo-tune rtttl|beep|arduino FILE`: a tune file printed in another program's format.
#pragma once

#include <string_view>
#include <vector>

bool isTextExport(std::string_view command);

// The command and its arguments; returns the exit code.
int exportCommand(std::string_view command, std::vector<std::string_view> arguments);
