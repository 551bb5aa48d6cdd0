#!/usr/bin/env bash
# Starts Pipalo on this Linux desktop: installs what the machine lacks (Debian),
# builds the program in build-run, and runs it.
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ]; then
    echo "Pipalo needs a graphical desktop to show its window, and DISPLAY is not set." >&2
    exit 1
fi
scripts/install-dependencies.sh build desktop
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=Release -DPIPALO_TESTS=OFF > /dev/null
cmake --build build-run --target Pipalo -j"$(nproc)"
exec build-run/app/Pipalo "$@"
