// Tune files as bytes: the line ends of Windows' text mode, read and written safely.
#include "tune_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "win32.h"

namespace {

constexpr char endOfTextByte = 26;
constexpr char endOfTuneByte = static_cast<char>(255);

std::string withCarriageReturns(const std::string& text) {
    std::string bytes;
    for (const char character : text) {
        if (character == '\n') bytes += '\r';
        bytes += character;
    }
    return bytes;
}

// C streams throughout, with the path as the dialog gave it: their failures are results, and
// leave the reason in errno.
std::string reasonOf(int error) { return std::generic_category().message(error); }

// A name beside the final one that nothing has yet, so that no other file is overwritten.
std::string unusedNameBeside(const std::string& finalPath) {
    for (unsigned attempt = 0;; ++attempt) {
        const std::string candidate = finalPath + ".partial" + std::to_string(attempt);
        if (!fileExists(candidate)) return candidate;
    }
}

std::string writeAndClose(std::FILE* file, const std::string& bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        const int error = errno;
        std::fclose(file);
        return reasonOf(error);
    }
    // Buffered bytes may fail only now, on a full disk for instance.
    if (std::fclose(file) != 0) return reasonOf(errno);
    return {};
}

std::string writeWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return reasonOf(errno);
    return writeAndClose(file, bytes);
}

// The reason the file cannot be read, or empty text once `bytes` holds it whole.
std::string readWholeFile(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return reasonOf(errno);
    char block[4096];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, count);
    const int error = std::ferror(file) ? (errno ? errno : EIO) : 0;
    std::fclose(file);
    return error ? reasonOf(error) : std::string();
}

}  // namespace

std::string readTuneFile(const std::string& path, std::string& text) {
    std::string bytes;
    text.clear();
    if (std::string reason = readWholeFile(path, bytes); !reason.empty()) return reason;
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        const char byte = bytes[index];
        if (byte == endOfTextByte || byte == endOfTuneByte) break;
        const bool startsLineEnd = byte == '\r' && index + 1 < bytes.size() && bytes[index + 1] == '\n';
        if (!startsLineEnd) text += byte;
    }
    return {};
}

std::string readTuneFile(const std::string& path) {
    std::string text;
    readTuneFile(path, text);
    return text;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string writeTuneFile(const std::string& path, const std::string& text) {
    const std::string bytes = withCarriageReturns(text);
    const std::string partialPath = unusedNameBeside(path);
    if (std::FILE* partial = std::fopen(partialPath.c_str(), "wb")) {
        const std::string reason = writeAndClose(partial, bytes);
        if (reason.empty() && MoveFileExA(partialPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return {};
        std::remove(partialPath.c_str());
        if (!reason.empty()) return reason;
    }
    // No new file could take its place (a folder where no file can be made, a link to another
    // disk): the file is rewritten where it is.
    return writeWholeFile(path, bytes);
}
