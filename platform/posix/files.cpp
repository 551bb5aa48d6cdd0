// kernel32's file functions: whether a name exists, and a rename that replaces.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "win32_subset.h"

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    struct stat status;
    if (!path || stat(path, &status) != 0) return INVALID_FILE_ATTRIBUTES;
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags) {
    if (!existing || !newName) return FALSE;
    struct stat status;
    const bool taken = lstat(newName, &status) == 0;
    if (taken && !(flags & MOVEFILE_REPLACE_EXISTING)) return FALSE;
    // Differs from Windows: a symbolic link in the new name's place has its target replaced,
    // not the link itself, since links here stand for the file they name.
    char target[PATH_MAX];
    if (taken && S_ISLNK(status.st_mode) && realpath(newName, target)) newName = target;
    return std::rename(existing, newName) == 0;
}
