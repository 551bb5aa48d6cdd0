// Saving bytes under a name without ever losing what the name held before.
#pragma once

#include <string>
#include <string_view>

// Writes the bytes under the name, which is used as given, in the system's code page.
// - A plain file is written beside its final name and renamed over it once complete, so an
//   existing file is never left half-written; a symbolic link keeps naming it, and a link
//   to nothing gets its file made.
// - A file with several names, in a folder that refuses a new file, or that a new file
//   cannot replace (a mount point; a file whose owner, group or ACL it could not keep) is
//   rewritten in place, so every name holds the new bytes and the same people may read
//   them; on any failure its old bytes are put back.
// - What is not a plain file (a device, a pipe) is written into as a stream, never replaced.
// A read-only file is refused, as Windows refuses to replace one.
// Returns the reason when the bytes could not be written, else empty text.
std::string saveFile(const std::string& path, std::string_view bytes);
