#!/usr/bin/env bash
# Checks that tune files are saved under accented names in an accented folder on
# Windows: builds tune_file_paths.exe for x86-64 (64-bit Wine starts on every host)
# and runs it under Wine, in a fresh prefix inside BUILD_FOLDER and a bare X server.
# Usage: tests/windows/tune_file_paths.sh [BUILD_FOLDER]   (default: build-windows)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
mkdir -p "${1:-$root/build-windows}"
run="$(cd "${1:-$root/build-windows}" && pwd)/tune-file-paths"
rm -rf "$run"
mkdir -p "$run"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -I"$root/tone" -I"$root/platform" \
    -o "$run/tune_file_paths.exe" "$root/tone/tune_file.cpp" "$here/tune_file_paths.cpp"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
xvfb_pid=$!
cleanup() {
    WINEPREFIX="$run/prefix" "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
until [ -s "$run/display" ]; do
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
# Wine names files in the host's character set: a UTF-8 locale keeps the accents.
export DISPLAY=":$(cat "$run/display")" WINEPREFIX="$run/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot --init >/dev/null 2>&1
mkdir "$run/prefix/drive_c/check"
cd "$run/prefix/drive_c/check"
"$wine" "$run/tune_file_paths.exe"
