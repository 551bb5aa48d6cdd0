// kernel32's file functions: whether a name exists, the file a link names, writing a new
// file, a rename that replaces, and the text of an error.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32_subset.h"

namespace {

// Differs from Windows: an error without a Windows code of its own that the system tells
// apart is the C library's errno, marked as an application's code; its text is the library's.
constexpr DWORD errnoCode = 0x20000000;

DWORD lastError = 0;

void setLastErrorFromErrno() { lastError = errno == EEXIST ? ERROR_FILE_EXISTS : errnoCode | errno; }

int descriptorOf(HANDLE file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file)); }

// The folder that holds a name, so that a rename in it can be flushed to the disk.
std::string folderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return ".";
    return slash == path ? "/" : std::string(path, slash);
}

bool flushFolderOf(const char* path) {
    const int folder = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return false;
    const bool flushed = fsync(folder) == 0;
    close(folder);
    return flushed;
}

}  // namespace

DWORD WINAPI GetLastError() { return lastError; }

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    struct stat status;
    if (!path || stat(path, &status) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    // A file that no one may write is what Windows calls read-only.
    return (status.st_mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPVOID, DWORD disposition, DWORD, HANDLE) {
    // Differs from Windows: only a new file opened for writing, or an existing one opened to ask
    // its name, all that Pipalo asks for; sharing is not enforced. As on Windows, a new file is
    // refused by any name already there, a symbolic link to nothing included.
    const bool writingNew = access == GENERIC_WRITE && disposition == CREATE_NEW;
    const bool askingName = access == 0 && disposition == OPEN_EXISTING;
    if (!path || !(writingNew || askingName)) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    const int file = writingNew ? open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
                                : open(path, O_PATH | O_CLOEXEC);
    if (file < 0) {
        setLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(file));
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPVOID) {
    DWORD done = 0;
    while (done < count) {
        const ssize_t wrote = write(descriptorOf(file), static_cast<const char*>(bytes) + done, count - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = ENOSPC;
            setLastErrorFromErrno();
            break;
        }
        done += static_cast<DWORD>(wrote);
    }
    if (written) *written = done;
    return done == count;
}

DWORD WINAPI GetFinalPathNameByHandleA(HANDLE file, LPSTR path, DWORD size, DWORD) {
    // Differs from Windows: the path is the system's own, with no \\?\ in front.
    char linked[PATH_MAX];
    const std::string descriptorName = "/proc/self/fd/" + std::to_string(descriptorOf(file));
    const ssize_t length = readlink(descriptorName.c_str(), linked, sizeof linked);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof linked) {
        setLastErrorFromErrno();
        return 0;
    }
    if (!path || static_cast<DWORD>(length) >= size) return static_cast<DWORD>(length) + 1;
    std::memcpy(path, linked, static_cast<std::size_t>(length));
    path[length] = '\0';
    return static_cast<DWORD>(length);
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
    if (fsync(descriptorOf(file)) == 0) return TRUE;
    setLastErrorFromErrno();
    return FALSE;
}

BOOL WINAPI CloseHandle(HANDLE file) {
    if (close(descriptorOf(file)) == 0) return TRUE;
    setLastErrorFromErrno();
    return FALSE;
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    if (!existing || !newName) return FALSE;
    struct stat status;
    const bool taken = lstat(newName, &status) == 0;
    if (taken && !(flags & MOVEFILE_REPLACE_EXISTING)) return FALSE;
    // Differs from Windows: the file that takes another's place takes its mode and, where
    // allowed, its owner too, as the file would have kept them had it been rewritten.
    if (taken && S_ISREG(status.st_mode)) {
        // Only a privileged user may give a file away; a set-id bit never passes to another owner.
        const bool ownerKept = chown(existing, status.st_uid, status.st_gid) == 0;
        chmod(existing, status.st_mode & (ownerKept ? 07777 : 0777));
    }
    if (std::rename(existing, newName) != 0) {
        setLastErrorFromErrno();
        return FALSE;
    }
    if ((flags & MOVEFILE_WRITE_THROUGH) && !flushFolderOf(newName)) {
        setLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, void*) {
    // Differs from Windows: only a system error's text, into the caller's buffer.
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) return 0;
    const std::string text = code == ERROR_FILE_EXISTS  ? std::strerror(EEXIST)
                             : (code & errnoCode) != 0 ? std::strerror(static_cast<int>(code & ~errnoCode))
                                                       : "Unknown error " + std::to_string(code);
    const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}
