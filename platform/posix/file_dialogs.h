// What every chooser of the Save and Open dialogs shares, whichever shows them.
#pragma once

#include "internal.h"

#include <string>
#include <vector>

#include "display.h"

namespace posix {

// The path the user means by a typed name: a bare or relative name in the folder shown,
// one that begins with '/' as it stands, "~" and "~/..." in the home folder.
std::string meantPath(const ChosenName& name);

// A filter's patterns ("*.TPZ; *.tpz") one by one, with Windows' "*.*" as "*": there it takes
// names without a dot too.
std::vector<std::string> patternsOf(const FileFilter& filter);

}  // namespace posix
