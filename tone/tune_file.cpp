// Tune files as bytes: the line ends of Windows' text mode, read and written safely.
#include "tune_file.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <system_error>

#include "saved_file.h"
#include "win32.h"

namespace {

constexpr int endOfTextByte = 26;
constexpr int endOfTuneByte = 255;

// Reading uses C streams, with the path as the dialog gave it: their failures are results,
// and leave the reason in errno.
std::string reasonOf(int error) { return std::generic_category().message(error); }

// No tune comes near it (a tone takes nine bytes: this is some thirty hours of tones), and
// a device that never ends, such as /dev/zero, stops here.
constexpr std::size_t largestTuneBytes = 16 << 20;

// Byte by byte, as the runtime's text mode reads, so that the first byte 26 or 255 ends the
// reading however the bytes arrive: a pipe whose writer stays open has sent all it will.
// Returns the reason the text cannot be read, or empty text once `text` holds it.
template <typename NextByte>
std::string translateText(NextByte nextByte, std::string& text) {
    bool carriageReturnPending = false;
    std::size_t count = 0;
    for (int byte; (byte = nextByte()) != EOF;) {
        if (byte == endOfTextByte || byte == endOfTuneByte) break;
        if (++count > largestTuneBytes) return "File larger than any tune (16 MiB)";
        if (carriageReturnPending && byte != '\n') text += '\r';
        carriageReturnPending = byte == '\r';
        if (!carriageReturnPending) text += static_cast<char>(byte);
    }
    if (carriageReturnPending) text += '\r';
    return {};
}

std::string readText(std::FILE* file, std::string& text) {
    std::string reason = translateText([file] { return std::getc(file); }, text);
    if (reason.empty() && std::ferror(file)) reason = reasonOf(errno ? errno : EIO);
    return reason;
}

}  // namespace

std::string readTuneFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return reasonOf(errno);
    std::string reason;
    try {
        reason = readText(file, text);
    } catch (const std::bad_alloc&) {
        reason = reasonOf(ENOMEM);
    }
    std::fclose(file);
    if (!reason.empty()) text = std::string();
    return reason;
}

std::string tuneFileText(std::string_view bytes) {
    std::string text;
    std::size_t next = 0;
    const auto nextByte = [&] { return next < bytes.size() ? static_cast<unsigned char>(bytes[next++]) : EOF; };
    if (!translateText(nextByte, text).empty()) text.clear();
    return text;
}

std::string readTuneFile(const std::string& path) {
    std::string text;
    readTuneFile(path, text);
    return text;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string tuneFileBytes(const std::string& text) {
    std::string bytes;
    for (const char character : text) {
        if (character == '\n') bytes += '\r';
        bytes += character;
    }
    return bytes;
}

std::string writeTuneFile(const std::string& path, const std::string& text) {
    return saveFile(path, tuneFileBytes(text));
}
