#!/usr/bin/env bash
# Installs the Debian packages that Pipalo needs and the machine lacks.
# Usage: scripts/install-dependencies.sh GROUP...   (build, desktop, test, package, windows)
set -euo pipefail

packages_of() {
    case "$1" in
        build) echo cmake make g++ pkgconf binutils-mingw-w64-i686 libgtest-dev libgmock-dev \
                    libgtk-3-dev libasound2-dev libpng-dev libxtst-dev libx11-xcb-dev libsndfile1-dev \
                    libcairo2-dev ;;
        desktop) echo alsa-utils ;;
        test) echo clang libclang-rt-14-dev libsndfile1-dev xvfb xauth xdotool x11-utils x11-xserver-utils openbox imagemagick sox \
                   alsa-utils icoutils python3 python3-mido librsvg2-bin abcmidi \
                   dbus dbus-x11 xdg-desktop-portal xdg-desktop-portal-gtk python3-pyatspi at-spi2-core xsettingsd \
                   python3-gi ;;
        package) echo dpkg-dev file lintian desktop-file-utils appstream shared-mime-info xdg-utils libglib2.0-bin xvfb xauth xdotool python3 ;;
        # binutils: the host's assembler and linker find out whether 32-bit programs run.
        windows) echo cmake make g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 \
                      g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 wine wine64 \
                      fonts-wine xvfb xdotool x11-xserver-utils imagemagick icoutils python3 binutils nsis ;;
        # 32-bit Wine, for the 32-bit Pipalo.exe: installed only where 32-bit programs run.
        windows32) echo wine32:i386 ;;
        *) echo "unknown group: $1" >&2; exit 2 ;;
    esac
}

install_missing() {
    local wanted=() group package
    for group in "$@"; do
        for package in $(packages_of "$group"); do
            dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
                wanted+=("$package")
        done
    done
    [ ${#wanted[@]} -eq 0 ] && return 0

    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${wanted[*]}"
    if printf '%s\n' "${wanted[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${wanted[@]}"
}

install_missing "$@"
if [[ " $* " == *" windows "* ]]; then
    if "$(dirname "$0")/runs-32-bit-code.sh"; then
        install_missing windows32
    else
        echo "This machine runs no 32-bit programs: 32-bit Wine (wine32:i386) is left out."
    fi
fi
