#!/usr/bin/env bash
# Checks a cross-built Pipalo.exe, 32-bit or x86-64: the DLLs it imports, its
# resources, then, under Wine of the same architecture in a bare X server, the
# conformance cases of tests/conformance built for that architecture, and the
# user's session of tests/end_to_end/session.py played with xdotool. Nothing is run
# under 32-bit Wine where the machine runs no 32-bit programs (the files are
# checked all the same).
# Usage: tests/windows/run_under_wine.sh [BUILD_FOLDER]   (default: build-windows)
# Leaves the screenshots, the saved tune and Wine's trace in BUILD_FOLDER/artifacts.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
exe="$build/app/Pipalo.exe"
source "$here/wine.sh"

[ -f "$exe" ] || fail "$exe is missing: build it with ./windows.sh"
wine_for "$exe"
echo "== $WINEARCH executable $exe"

echo "== imports of $exe"
imports="$("$triplet-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')"
echo "$imports"
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|ole32|oleaut32|advapi32|shell32|msvcrt)\.dll$'
foreign="$(grep -viE "$system_dlls" <<<"$imports" || true)"
[ -z "$foreign" ] || fail "imports DLLs that Windows does not have: $foreign"

echo "== resources of $exe"
resources="$(wrestool -l "$exe")"
echo "$resources"
dutch_belgium=2067  # 0x0813, as wrestool prints it
# type=id: menus 101 and 102, icon groups 116 and 117, bitmap 119, version 1, manifest 1
for resource in 4=101 4=102 14=116 14=117 2=119 16=1 24=1; do
    grep -q -- "--type=${resource%=*} --name=${resource#*=} --language=$dutch_belgium " \
        <<<"$resources" || fail "no resource of type ${resource%=*} id ${resource#*=} in Dutch (Belgium)"
done
! grep -v -- "--language=$dutch_belgium " <<<"$resources" || fail "resources in another language"
# The manifest is the resource script's: byte for byte in the 32-bit build, naming
# amd64 instead of x86 in the x86-64 one.
script_manifest() {
    if [ "$manifest_architecture" = x86 ]; then
        cat "$root/app/resources/pipalo.manifest"
    else
        sed "s/processorArchitecture=\"[xX]86\"/processorArchitecture=\"$manifest_architecture\"/" \
            "$root/app/resources/pipalo.manifest"
    fi
}
cmp <(script_manifest) <(wrestool -x --raw --type=24 "$exe") ||
    fail "the manifest is not the resource script's for $manifest_architecture"

if ! wine_runs_here; then
    echo "== SKIPPED the conformance cases and the session under 32-bit Wine: this machine runs no 32-bit programs"
    exit 0
fi

echo "== Wine run"
started=$SECONDS
run="$build/wine-run"
artifacts="$build/artifacts"
rm -rf "$run" "$artifacts"
mkdir -p "$run" "$artifacts"
"$triplet-g++-win32" -std=c++20 -O2 -Wall -Wextra -Werror -static -o "$run/probe.exe" \
    "$here/probe.cpp"

start_wine "$run"
# Wine's Beep is silent: its calls are traced instead, and the scenario reads the trace.
"$loader" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d kernel32.Beep /f
wineserver -w
echo "prefix ready after $((SECONDS - started)) s"

echo "== conformance cases under Wine ($WINEARCH)"
"$triplet-g++-win32" -std=c++20 -O2 -Wall -Wextra -Werror -static -I "$root/platform" \
    -o "$run/conformance.exe" "$root/tests/conformance/main.cpp" "$root/tests/conformance/cases.cpp" \
    -lcomdlg32
conformance=passed
"$loader" "$run/conformance.exe" || conformance=failed

echo "== the user's session under Wine ($WINEARCH)"
WINEDEBUG=-all,+relay python3 "$here/wine_session.py" "$exe" "$run/probe.exe" "$artifacts"
[ "$conformance" = passed ] || fail "conformance cases under Wine"
echo "Wine run ($WINEARCH) took $((SECONDS - started)) s; screenshots in $artifacts"
