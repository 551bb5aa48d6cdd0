# What both Windows cross builds share; the toolchain file of each architecture
# sets PIPALO_MINGW_TRIPLET, CMAKE_SYSTEM_PROCESSOR and PIPALO_MANIFEST_ARCHITECTURE,
# then includes this.
set(CMAKE_SYSTEM_NAME Windows)

# The program has one thread, so the win32 thread model serves, and it pulls in
# no winpthread library.
set(CMAKE_C_COMPILER ${PIPALO_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PIPALO_MINGW_TRIPLET}-g++-win32)

set(CMAKE_FIND_ROOT_PATH /usr/${PIPALO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executable must need no DLL beyond the system's: the C and C++ runtimes
# are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
