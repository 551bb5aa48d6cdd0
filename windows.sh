#!/usr/bin/env bash
# Cross-builds the Windows Pipalo.exe on Linux: the 32-bit program we ship, into
# build-windows/app/Pipalo.exe, with its installer and zip beside it in build-windows/,
# and the same sources for x86-64, into build-windows-x86_64/, which 64-bit Wine runs
# on every host.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-dependencies.sh windows
cross_build() {  # FOLDER ARCHITECTURE
    cmake -S . -B "$1" --toolchain "cmake/mingw-w64-$2.cmake" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$1" -j"$(nproc)"
    echo "Built $PWD/$1/app/Pipalo.exe ($2), and in $PWD/$1:" $(cd "$1" && ls Pipalo-*)
}
cross_build build-windows i686
cross_build build-windows-x86_64 x86_64
