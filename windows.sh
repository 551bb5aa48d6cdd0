#!/usr/bin/env bash
# Cross-builds the Windows Pipalo.exe on Linux, into build-windows/app/Pipalo.exe.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-dependencies.sh windows
cmake -S . -B build-windows --toolchain cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$(nproc)"
echo "Built $PWD/build-windows/app/Pipalo.exe"
