#include "tune_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

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

// C streams throughout: their failures are results, and leave the reason in errno.
std::string reasonOf(int error) { return std::generic_category().message(error); }

// A name beside the final one that no file has yet, so that no other file is overwritten.
fs::path unusedNameBeside(const fs::path& finalPath) {
    for (unsigned attempt = 0;; ++attempt) {
        fs::path candidate = finalPath;
        candidate += ".partial" + std::to_string(attempt);
        std::error_code error;
        if (!fs::exists(candidate, error)) return candidate;
    }
}

std::string writeWholeFile(const fs::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file) return reasonOf(errno);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        const int error = errno;
        std::fclose(file);
        return reasonOf(error);
    }
    // Buffered bytes may fail only now, on a full disk for instance.
    if (std::fclose(file) != 0) return reasonOf(errno);
    return {};
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

std::string writeTuneFile(const std::string& path, const std::string& text) {
    const fs::path finalPath(path);
    const fs::path partialPath = unusedNameBeside(finalPath);
    std::string reason = writeWholeFile(partialPath, withCarriageReturns(text));
    std::error_code error;
    if (reason.empty()) {
        fs::rename(partialPath, finalPath, error);
        if (!error) return {};
        reason = error.message();
    }
    fs::remove(partialPath, error);
    return reason;
}
