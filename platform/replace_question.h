// The question a Save dialog asks before a file is replaced, in the words of Windows' own
// dialog: the subset's dialog asks it, and Pipalo asks it of a name it added the extension to.
#pragma once

#include <string>

#include "win32.h"

inline std::string replaceQuestion(const std::string& name) {
    return name + " already exists.\nDo you want to replace it?";
}

constexpr UINT replaceQuestionStyle = MB_YESNO | MB_ICONWARNING;
