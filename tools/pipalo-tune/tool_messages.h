// What pipalo-tune's commands tell the user: one line on standard error each, under
// the tool's name, and the exit codes of a failure.
#pragma once

#include <string>

constexpr int failureExit = 1;  // a file that cannot be read or written
constexpr int usageExit = 2;    // a wrong command line

// Tells of the failure and returns the exit code, for `return reportFailure(...)`.
int reportFailure(const std::string& message, int exitCode = failureExit);
void reportNotice(const std::string& message);
