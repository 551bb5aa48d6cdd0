# Wine for the Windows checks, sourced by their scripts: the loader of an executable's
# architecture, and a fresh prefix on a bare X server of its own.

fail() { echo "FAILED: $*" >&2; exit 1; }

# Whatever the script starts and leaves running (Xvfb, the Wine server and Wine's own
# services) is stopped when it ends, pass or fail.
if [ -z "${PIPALO_CONTAINED:-}" ]; then
    PIPALO_CONTAINED=1 exec python3 "$(dirname "${BASH_SOURCE[0]}")/../support/run_contained.py" "$0" "$@"
fi

# EXE: sets triplet, manifest_architecture and loader, and exports WINEARCH. Debian's
# wine launcher takes the 32-bit loader whenever it is installed, so each
# architecture's loader is run directly.
wine_for() {
    case "$(x86_64-w64-mingw32-objdump -f "$1")" in
        *"file format pei-i386"*)
            triplet=i686-w64-mingw32 manifest_architecture=x86 loader=/usr/lib/wine/wine
            export WINEARCH=win32 ;;
        *"file format pei-x86-64"*)
            triplet=x86_64-w64-mingw32 manifest_architecture=amd64 loader=/usr/lib/wine/wine64
            export WINEARCH=win64 ;;
        *) fail "$1 is neither a 32-bit x86 nor an x86-64 executable" ;;
    esac
}

# Whether Wine of that architecture starts here: 32-bit Wine only where the machine
# runs 32-bit programs.
wine_runs_here() {
    [ "$WINEARCH" = win64 ] || "$(dirname "${BASH_SOURCE[0]}")/../../scripts/runs-32-bit-code.sh"
}

# RUN_FOLDER: starts Xvfb and makes a prefix in the folder, both ended when the script
# exits; exports DISPLAY, WINEPREFIX, WINELOADER and the rest.
start_wine() {
    local run="$1"
    # Keys do not repeat while held (-r): a held key would otherwise play more notes.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -r 3>"$run/display" >"$run/xvfb.log" 2>&1 &
    xvfb_pid=$!
    until [ -s "$run/display" ]; do
        kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$run/xvfb.log")"
        sleep 0.1
    done
    export DISPLAY=":$(cat "$run/display")"
    # Wine names files in the host's character set: a UTF-8 locale keeps accented names whole.
    export WINEPREFIX="$run/prefix" WINELOADER="$loader" WINEDEBUG=-all LC_ALL=C.UTF-8
    # No Mono and Gecko installers, and no entries in the host's own menus for the
    # prefix's Start menu.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap 'wineserver -k 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT

    "$loader" wineboot --init
    wineserver -w
    # Without a window manager, Wine otherwise waits about 2 s whenever a window hides.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    wineserver -w
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"  # caption buttons
}
