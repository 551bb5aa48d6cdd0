# Cross-compiles Pipalo for 64-bit Windows with Debian's mingw-w64. It runs under
# 64-bit Wine, which every x86-64 host can start, so the Windows checks run everywhere.
#   cmake -S . -B build-windows-x86_64 --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(PIPALO_MINGW_TRIPLET x86_64-w64-mingw32)
set(PIPALO_MANIFEST_ARCHITECTURE amd64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
