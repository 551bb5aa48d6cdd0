# Cross-compiles Pipalo for 32-bit Windows with Debian's mingw-w64: the program we ship.
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PIPALO_MINGW_TRIPLET i686-w64-mingw32)
set(PIPALO_MANIFEST_ARCHITECTURE x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
