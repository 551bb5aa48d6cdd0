// kernel32's file functions: whether a name exists, what kind of file it names and by how
// many names, the folder part of a name, opening, reading, writing and cutting a file, a
// rename that replaces, a delete, and the text of an error.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win32_subset.h"

namespace {

// Differs from Windows: an error without a Windows code of its own that the system tells
// apart is the C library's errno, marked as an application's code; its text is the library's.
constexpr DWORD errnoCode = 0x20000000;

DWORD lastError = 0;

// The errors the system tells apart have Windows' codes, paired with the errno they stand for
// and the text said for them where the library's would not be clear.
struct KnownError {
    DWORD code;
    int number;
    const char* text = nullptr;
};
constexpr KnownError knownErrors[] = {
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_SHARING_VIOLATION, EBUSY},
    {ERROR_NO_DATA, EPIPE},
    // No errno of its own: a pipe's ENXIO.
    {ERROR_PIPE_NOT_CONNECTED, 0, "No process reads from the pipe"},
};

void setLastErrorFromErrno() {
    const int number = errno == EPERM ? EACCES : errno;
    lastError = errnoCode | static_cast<DWORD>(number);
    for (const KnownError& known : knownErrors)
        if (known.number == number) lastError = known.code;
}

int descriptorOf(HANDLE file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file)); }

// The folder that holds a name, so that a rename in it can be flushed to the disk.
std::string folderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (!slash) return ".";
    return slash == path ? "/" : std::string(path, slash);
}

void flushFolderOf(const char* path) {
    const int folder = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return;
    fsync(folder);
    close(folder);
}

// The extended attributes of one file given to another: its ACL too, which is one of them.
bool copyExtendedAttributes(const char* from, const char* to) {
    const ssize_t listed = listxattr(from, nullptr, 0);
    if (listed < 0) return errno == ENOTSUP;
    std::vector<char> names(static_cast<std::size_t>(listed));
    if (listxattr(from, names.data(), names.size()) != listed) return false;
    for (const char* name = names.data(); name < names.data() + names.size(); name += std::strlen(name) + 1) {
        const ssize_t size = getxattr(from, name, nullptr, 0);
        if (size < 0) return false;
        std::vector<char> value(static_cast<std::size_t>(size));
        if (getxattr(from, name, value.data(), value.size()) != size ||
            setxattr(to, name, value.data(), value.size(), 0) != 0)
            return false;
    }
    return true;
}

// The new file gets the owner, group, mode, ACL and extended attributes of the one it
// replaces, so that the same people may read it; false where any of them cannot be given.
// The mode comes last: the attributes are written while the file may still be written.
bool takeAccessOf(const struct stat& replaced, const char* path, const char* replacedPath) {
    struct stat status;
    if (stat(path, &status) != 0) return false;
    if ((status.st_uid != replaced.st_uid || status.st_gid != replaced.st_gid) &&
        chown(path, replaced.st_uid, replaced.st_gid) != 0)
        return false;
    return copyExtendedAttributes(replacedPath, path) && chmod(path, replaced.st_mode & 07777) == 0;
}

}  // namespace

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD code) { lastError = code; }

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    struct stat status;
    if (!path || stat(path, &status) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    // A file that no one may write is what Windows calls read-only.
    return (status.st_mode & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPVOID, DWORD disposition, DWORD flags, HANDLE) {
    // Differs from Windows: sharing is not enforced, and a file opened only to ask about it
    // can be asked and closed, nothing more. As on Windows, a new file is refused by any
    // name already there, a symbolic link to nothing included; a file opened always is
    // made, through such a link too, where none is there.
    int mode = 0;
    if (access == 0 || access == FILE_READ_ATTRIBUTES)
        mode = O_PATH | ((flags & FILE_FLAG_OPEN_REPARSE_POINT) ? O_NOFOLLOW : 0);
    else if (access == GENERIC_WRITE)
        // Without waiting: a pipe with no reader is a failure rather than a wait for one.
        mode = O_WRONLY | O_NONBLOCK;
    else if (access == (GENERIC_READ | GENERIC_WRITE))
        mode = O_RDWR;
    else if (access == GENERIC_READ)
        mode = O_RDONLY;
    const bool known = disposition == CREATE_NEW || disposition == OPEN_EXISTING || disposition == OPEN_ALWAYS;
    if (!path || !known || ((mode & O_PATH) && disposition != OPEN_EXISTING)) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    int file = -1;
    bool existed = true;
    if (disposition == CREATE_NEW) {
        file = open(path, mode | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } else {
        file = open(path, mode | O_CLOEXEC);
        if (disposition == OPEN_ALWAYS && file < 0 && errno == ENOENT) {
            existed = false;
            file = open(path, mode | O_CREAT | O_CLOEXEC, 0666);
        }
    }
    if (file < 0) {
        setLastErrorFromErrno();
        struct stat status;
        if (errno == ENXIO && stat(path, &status) == 0 && S_ISFIFO(status.st_mode))
            lastError = ERROR_PIPE_NOT_CONNECTED;
        return INVALID_HANDLE_VALUE;
    }
    // Once open, written as any file.
    if (mode & O_NONBLOCK) fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK);
    // Opened always: the last error tells whether the file was there already.
    lastError = disposition == OPEN_ALWAYS && existed ? ERROR_ALREADY_EXISTS : NO_ERROR;
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

BOOL WINAPI ReadFile(HANDLE file, LPVOID bytes, DWORD count, LPDWORD read, LPVOID) {
    ssize_t got;
    do got = ::read(descriptorOf(file), bytes, count);
    while (got < 0 && errno == EINTR);
    if (read) *read = got < 0 ? 0 : static_cast<DWORD>(got);
    if (got >= 0) return TRUE;
    setLastErrorFromErrno();
    return FALSE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    // Differs from Windows: from the start of the file only, all that Pipalo asks for.
    const std::uint64_t high = distanceHigh ? static_cast<std::uint32_t>(*distanceHigh) : 0;
    const off_t offset = static_cast<off_t>((high << 32) | static_cast<std::uint32_t>(distance));
    const off_t reached = method == FILE_BEGIN ? lseek(descriptorOf(file), offset, SEEK_SET) : -1;
    if (reached < 0) {
        if (method != FILE_BEGIN) errno = EINVAL;
        setLastErrorFromErrno();
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(reached) >> 32);
    lastError = NO_ERROR;
    return static_cast<DWORD>(reached);
}

BOOL WINAPI SetEndOfFile(HANDLE file) {
    const off_t end = lseek(descriptorOf(file), 0, SEEK_CUR);
    if (end >= 0 && ftruncate(descriptorOf(file), end) == 0) return TRUE;
    setLastErrorFromErrno();
    return FALSE;
}

DWORD WINAPI GetFileType(HANDLE file) {
    struct stat status;
    if (fstat(descriptorOf(file), &status) != 0) {
        setLastErrorFromErrno();
        return FILE_TYPE_UNKNOWN;
    }
    lastError = NO_ERROR;
    // Differs from Windows: a socket counts as a pipe.
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_DISK;
}

BOOL WINAPI GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    // Differs from Windows: the size, the number of names and the identity of the file only.
    struct stat status;
    if (!information || fstat(descriptorOf(file), &status) != 0) {
        setLastErrorFromErrno();
        return FALSE;
    }
    *information = {};
    information->dwFileAttributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nFileSizeLow = static_cast<DWORD>(size);
    information->nNumberOfLinks = static_cast<DWORD>(status.st_nlink);
    information->dwVolumeSerialNumber = static_cast<DWORD>(status.st_dev);
    information->nFileIndexHigh = static_cast<DWORD>(static_cast<std::uint64_t>(status.st_ino) >> 32);
    information->nFileIndexLow = static_cast<DWORD>(status.st_ino);
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    if (path && unlink(path) == 0) return TRUE;
    setLastErrorFromErrno();
    return FALSE;
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

DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD size, LPSTR fullPath, LPSTR* filePart) {
    // Differs from Windows: "." and ".." stay as written, since through a symbolic link
    // they need not mean what the text says.
    if (!path || !*path) {
        lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::string full = path;
    if (full.front() != '/') {
        char* current = getcwd(nullptr, 0);
        if (!current) {
            setLastErrorFromErrno();
            return 0;
        }
        full = std::string(current) + (current[1] ? "/" : "") + full;
        std::free(current);
    }
    if (!fullPath || full.size() >= size) return static_cast<DWORD>(full.size()) + 1;
    std::memcpy(fullPath, full.c_str(), full.size() + 1);
    if (filePart) *filePart = full.back() == '/' ? nullptr : fullPath + full.rfind('/') + 1;
    return static_cast<DWORD>(full.size());
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
    if (!existing || !newName) {
        lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    struct stat replaced;
    const bool taken = lstat(newName, &replaced) == 0;
    if (taken && !(flags & MOVEFILE_REPLACE_EXISTING)) {
        lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    // Differs from Windows: the file that takes another's place takes its owner, group, mode,
    // ACL and extended attributes, as the file would have kept them had it been rewritten;
    // where it cannot, access is denied and nothing moves.
    if (taken && S_ISREG(replaced.st_mode) && !takeAccessOf(replaced, existing, newName)) {
        lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    if (std::rename(existing, newName) != 0) {
        setLastErrorFromErrno();
        return FALSE;
    }
    // Once renamed the file is moved, whether or not its folder can be flushed (one the user
    // may not read cannot be opened to be).
    if (flags & MOVEFILE_WRITE_THROUGH) flushFolderOf(newName);
    return TRUE;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD size, void*) {
    // Differs from Windows: only a system error's text, into the caller's buffer.
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer || size == 0) return 0;
    std::string text = (code & errnoCode) != 0 ? std::strerror(static_cast<int>(code & ~errnoCode))
                                               : "Unknown error " + std::to_string(code);
    for (const KnownError& known : knownErrors)
        if (known.code == code) text = known.text ? known.text : std::strerror(known.number);
    const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}
