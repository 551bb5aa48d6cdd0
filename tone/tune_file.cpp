// Tune files as bytes: the line ends of Windows' text mode, read and written safely.
#include "tune_file.h"

#include <cerrno>
#include <cstdio>
#include <new>
#include <system_error>

#include "win32.h"

namespace {

constexpr int endOfTextByte = 26;
constexpr int endOfTuneByte = 255;

std::string withCarriageReturns(const std::string& text) {
    std::string bytes;
    for (const char character : text) {
        if (character == '\n') bytes += '\r';
        bytes += character;
    }
    return bytes;
}

// Reading and the rewrite in place use C streams, with the path as the dialog gave it: their
// failures are results, and leave the reason in errno.
std::string reasonOf(int error) { return std::generic_category().message(error); }

// The system's text for the last error of a Win32 call, without its line end.
std::string lastErrorReason() {
    char text[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        GetLastError(), 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

// The file a name stands for, through any symbolic link, so that the new file takes the
// linked file's place and the link goes on naming it; the name itself when no file has it.
std::string linkedFileOf(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    std::string linked(32768, '\0');
    const DWORD length = GetFinalPathNameByHandleA(file, linked.data(), static_cast<DWORD>(linked.size()),
                                                   FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= linked.size()) return path;
    linked.resize(length);
    return linked;
}

// A new file beside the final name, made exclusively: nothing already there is written
// through, a planted symbolic link least of all. Sets `partialPath` to its name.
HANDLE createFileBeside(const std::string& finalPath, std::string& partialPath) {
    for (unsigned attempt = 0;; ++attempt) {
        partialPath = finalPath + ".partial" + std::to_string(attempt);
        const HANDLE file = CreateFileA(partialPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
}

// Written through to the disk before it takes the final name, so that a power cut after
// the rename cannot leave that name to an empty file.
std::string writeToDiskAndClose(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    const bool flushed = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                         written == bytes.size() && FlushFileBuffers(file);
    const std::string reason = flushed ? std::string() : lastErrorReason();
    CloseHandle(file);
    return reason;
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

// No tune comes near it (a tone takes nine bytes: this is some thirty hours of tones), and
// a device that never ends, such as /dev/zero, stops here.
constexpr std::size_t largestTuneBytes = 16 << 20;

// Byte by byte, as the runtime's text mode reads, so that the first byte 26 or 255 ends the
// reading however the bytes arrive: a pipe whose writer stays open has sent all it will.
// Returns the reason the text cannot be read, or empty text once `text` holds it.
std::string readText(std::FILE* file, std::string& text) {
    bool carriageReturnPending = false;
    std::size_t count = 0;
    for (int byte; (byte = std::getc(file)) != EOF;) {
        if (byte == endOfTextByte || byte == endOfTuneByte) break;
        if (++count > largestTuneBytes) return "File larger than any tune (16 MiB)";
        if (carriageReturnPending && byte != '\n') text += '\r';
        carriageReturnPending = byte == '\r';
        if (!carriageReturnPending) text += static_cast<char>(byte);
    }
    if (carriageReturnPending) text += '\r';
    return std::ferror(file) ? reasonOf(errno ? errno : EIO) : std::string();
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

std::string readTuneFile(const std::string& path) {
    std::string text;
    readTuneFile(path, text);
    return text;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string writeTuneFile(const std::string& path, const std::string& text) {
    // Windows refuses to replace a read-only file; so it is here, for every user.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return reasonOf(EACCES);
    const std::string bytes = withCarriageReturns(text);
    const std::string finalPath = linkedFileOf(path);
    std::string partialPath;
    if (const HANDLE partial = createFileBeside(finalPath, partialPath); partial != INVALID_HANDLE_VALUE) {
        const std::string reason = writeToDiskAndClose(partial, bytes);
        // Written through: the folder too is on the disk with the new name once it returns.
        if (reason.empty() && MoveFileExA(partialPath.c_str(), finalPath.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        std::remove(partialPath.c_str());
        if (!reason.empty()) return reason;
    }
    // No new file could take its place (a folder where no file can be made): the file is
    // rewritten where it is.
    return writeWholeFile(path, bytes);
}
