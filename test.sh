#!/usr/bin/env bash
# Builds Pipalo and runs every test: unit and scenario tests on the headless
# platform, the end-to-end runs of the Linux and Windows builds, and the round trip
# of the Windows installers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-dependencies.sh build test windows
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
./windows.sh
echo "== the Windows builds: the conformance cases and the session under Wine"
# 64-bit Wine starts on every x86-64 host; 32-bit Wine only where 32-bit programs run.
tests/windows/run_under_wine.sh build-windows-x86_64
tests/windows/run_under_wine.sh build-windows
echo "== the Windows installers: installed, started and uninstalled under Wine"
tests/windows/installer_round_trip.sh build-windows-x86_64
tests/windows/installer_round_trip.sh build-windows
