// Saves a tune twice, and reads it back, as "Frédéric\été.TPZ" in code page 1252:
// the tone engine must use the path's bytes as the system's code page gives them.
// Prints what it saw and the folder's names in hexadecimal; exits 0 when all held.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tune_file.h"

int main() {
    const std::string folder = "Fr\xe9" "d\xe9" "ric";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\\xe9t\xe9.TPZ";
    const std::string failure = writeTuneFile(path, "263,230\n");
    const std::string again = writeTuneFile(path, "394,230\n");  // over the existing file
    const std::string back = readTuneFile(path);
    std::printf("code page %u\nfirst write: [%s]\nsecond write: [%s]\nread back: [%s]\n", GetACP(),
                failure.c_str(), again.c_str(), back.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    while (search != INVALID_HANDLE_VALUE) {
        std::printf("entry:");
        for (const char* c = found.cFileName; *c; ++c) std::printf(" %02x", static_cast<unsigned char>(*c));
        std::printf("\n");
        if (!FindNextFileA(search, &found)) break;
    }
    return failure.empty() && again.empty() && back == "394,230\n" ? 0 : 1;
}
