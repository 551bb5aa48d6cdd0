// Tune files on disk: bytes with the line ends of Windows' text mode, translated
// here so that both platforms read and write the same bytes.
#pragma once

#include <string>
#include <string_view>

// The text of the file: each CR LF read as one line feed, ending at a byte 26,
// at a byte 255 (not kept) or at the end of the file; nothing is read past that
// byte. Empty when it cannot be read or holds more than 16 MiB before its end.
std::string readTuneFile(const std::string& path);
// The same, saying why: returns the reason the file cannot be read, leaving `text`
// empty, or else empty text with the file's text in `text`.
std::string readTuneFile(const std::string& path, std::string& text);

// The text of a tune file's bytes, read as readTuneFile reads the file.
std::string tuneFileText(std::string_view bytes);

// The bytes of a tune file that holds the text: each line feed as CR LF.
std::string tuneFileBytes(const std::string& text);

// Writes the tune file safely (see saveFile). Returns the reason when it could not be
// written, else empty text.
std::string writeTuneFile(const std::string& path, const std::string& text);

// Whether a file or folder has that name. Paths are used as given, in the system's code page.
bool fileExists(const std::string& path);
