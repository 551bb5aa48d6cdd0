// pipalo-tune's lines on standard error.
#include "tool_messages.h"

#include <cstdio>

int reportFailure(const std::string& message, int exitCode) {
    reportNotice(message);
    return exitCode;
}

void reportNotice(const std::string& message) { std::fprintf(stderr, "pipalo-tune: %s\n", message.c_str()); }
