// Saving bytes over a file: beside it and renamed, in place with the old bytes kept for a
// failure, or into a stream; through the kernel32 calls of both platforms.
#include "saved_file.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "win32.h"

namespace {

std::string lastErrorReason() {
    char text[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        GetLastError(), 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// WriteFile takes at most a DWORD's count at a time.
bool writeAll(HANDLE file, std::string_view bytes) {
    constexpr std::size_t largestWrite = 1u << 30;
    for (std::size_t done = 0; done < bytes.size();) {
        const auto count = static_cast<DWORD>(std::min(largestWrite, bytes.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, count, &written, nullptr) || written != count) return false;
        done += count;
    }
    return true;
}

bool moveTo(HANDLE file, std::uint64_t offset) {
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

// What a name stands for, through any symbolic link.
struct Target {
    bool exists = false;
    bool stream = false;        // a device or a pipe
    bool severalNames = false;  // hard links
    std::uint64_t size = 0;
    std::string finalPath;      // the file a link names, else the name itself
};

Target targetOf(const std::string& path) {
    Target target;
    target.finalPath = path;
    const HANDLE file =
        CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return target;
    target.exists = true;
    target.stream = GetFileType(file) != FILE_TYPE_DISK;
    BY_HANDLE_FILE_INFORMATION information;
    if (!target.stream && GetFileInformationByHandle(file, &information)) {
        const bool folder = information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        target.severalNames = !folder && information.nNumberOfLinks > 1;
        target.size = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    }
    std::string linked(32768, '\0');
    const DWORD length = GetFinalPathNameByHandleA(file, linked.data(), static_cast<DWORD>(linked.size()),
                                                   FILE_NAME_NORMALIZED);
    if (length > 0 && length < linked.size()) target.finalPath = linked.substr(0, length);
    CloseHandle(file);
    return target;
}

// The name is there, but not what it names: a symbolic link to nothing.
bool isLinkToNothing(const std::string& path) {
    const HANDLE link = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (link == INVALID_HANDLE_VALUE) return false;
    CloseHandle(link);
    return true;
}

// Written through to the disk before it takes the final name, so that a power cut after
// the rename cannot leave that name to an empty file.
std::string writeToDiskAndClose(HANDLE file, std::string_view bytes) {
    const bool flushed = writeAll(file, bytes) && FlushFileBuffers(file);
    const std::string reason = flushed ? std::string() : lastErrorReason();
    CloseHandle(file);
    return reason;
}

std::string writeIntoStream(const std::string& path, std::string_view bytes) {
    const HANDLE stream = CreateFileA(path.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (stream == INVALID_HANDLE_VALUE) return lastErrorReason();
    const std::string reason = writeAll(stream, bytes) ? std::string() : lastErrorReason();
    CloseHandle(stream);
    return reason;
}

// The link's file made where it points, and written; removed again when it cannot be.
std::string writeThroughLinkToNothing(const std::string& path, std::string_view bytes) {
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastErrorReason();
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Made by another meanwhile: not ours to write over.
        CloseHandle(file);
        SetLastError(ERROR_FILE_EXISTS);
        return lastErrorReason();
    }
    std::string made(32768, '\0');
    const DWORD length =
        GetFinalPathNameByHandleA(file, made.data(), static_cast<DWORD>(made.size()), FILE_NAME_NORMALIZED);
    made.resize(length > 0 && length < made.size() ? length : 0);
    const std::string reason = writeToDiskAndClose(file, bytes);
    if (!reason.empty() && !made.empty()) DeleteFileA(made.c_str());
    return reason;
}

// Overwritten without being emptied first and cut to length at the end. The bytes it
// overwrites are kept, to be put back on a failure: that needs no room the file lacks.
std::string rewriteInPlace(const std::string& path, std::uint64_t oldSize, std::string_view bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastErrorReason();
    std::string old;
    try {
        old.resize(static_cast<std::size_t>(std::min<std::uint64_t>(oldSize, bytes.size())));
    } catch (const std::bad_alloc&) {
        CloseHandle(file);
        return "Not enough memory to keep the file's old bytes";
    }
    std::size_t kept = 0;
    for (DWORD read = 1; kept < old.size() && read > 0; kept += read) {
        const auto count = static_cast<DWORD>(std::min<std::size_t>(old.size() - kept, 1u << 30));
        if (!ReadFile(file, old.data() + kept, count, &read, nullptr)) {
            const std::string reason = lastErrorReason();
            CloseHandle(file);
            return reason;
        }
    }
    old.resize(kept);
    const bool written =
        moveTo(file, 0) && writeAll(file, bytes) && FlushFileBuffers(file) && SetEndOfFile(file);
    std::string reason;
    if (!written) {
        reason = lastErrorReason();
        const bool restored = moveTo(file, 0) && writeAll(file, old) && moveTo(file, oldSize) &&
                              SetEndOfFile(file) && FlushFileBuffers(file);
        if (!restored) reason += "; its old bytes could not all be put back";
    }
    CloseHandle(file);
    return reason;
}

// A new file beside the final name, made exclusively: nothing already there is written
// through, a planted symbolic link least of all. Its name is short, so that the folder takes
// it wherever it takes the final one. Sets `partialPath` to its name.
HANDLE createFileBeside(const std::string& finalPath, std::string& partialPath) {
    std::string full(32768, '\0');
    LPSTR name = nullptr;
    const DWORD length = GetFullPathNameA(finalPath.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
    if (length == 0) return INVALID_HANDLE_VALUE;
    if (length >= full.size()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    full.resize(name ? static_cast<std::size_t>(name - full.data()) : length);
    for (unsigned attempt = 0;; ++attempt) {
        partialPath = full + ".pipalo-saving" + std::to_string(attempt);
        const HANDLE file = CreateFileA(partialPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
}

// A folder that takes no new file, or no path as long as the partial file's; not a full disk.
bool folderRefusesNewFile(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE;
}

// A file that no other can take the place of, yet can be rewritten: one mounted on its name
// (busy), or one whose owner, group or ACL a new file could not be given (denied).
bool fileRefusesReplacement(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

}  // namespace

std::string saveFile(const std::string& path, std::string_view bytes) {
    // Windows refuses to replace a read-only file; so it is here, for every user.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return lastErrorReason();
    }
    const Target target = targetOf(path);
    if (target.stream) return writeIntoStream(path, bytes);
    if (!target.exists && isLinkToNothing(path)) return writeThroughLinkToNothing(path, bytes);
    if (target.severalNames) return rewriteInPlace(target.finalPath, target.size, bytes);
    std::string partialPath;
    const HANDLE partial = createFileBeside(target.finalPath, partialPath);
    if (partial == INVALID_HANDLE_VALUE) {
        if (target.exists && folderRefusesNewFile(GetLastError()))
            return rewriteInPlace(target.finalPath, target.size, bytes);
        return lastErrorReason();
    }
    std::string reason = writeToDiskAndClose(partial, bytes);
    // Written through: the folder too is on the disk with the new name once it returns.
    if (reason.empty() && MoveFileExA(partialPath.c_str(), target.finalPath.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    const bool rewrite = reason.empty() && target.exists && fileRefusesReplacement(GetLastError());
    if (reason.empty()) reason = lastErrorReason();
    DeleteFileA(partialPath.c_str());
    return rewrite ? rewriteInPlace(target.finalPath, target.size, bytes) : reason;
}
