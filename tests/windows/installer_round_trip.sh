#!/usr/bin/env bash
# Installs a cross build's installer silently under Wine, for the current user and then
# for all users, and each time checks the installed files, the Start-menu entry and the
# Add/Remove Programs entry, starts Pipalo from that Start-menu entry and closes it,
# opens a tune file as Windows opens one ("start"), whose tones Pipalo plays, uninstalls,
# and checks that no file or registry entry of Pipalo is left, and that a .TPZ association
# another program took meanwhile is left to it. The 32-bit
# installer, a 32-bit program, is not run where the machine runs no 32-bit programs.
# Usage: tests/windows/installer_round_trip.sh [BUILD_FOLDER]   (default: build-windows)
# Leaves screenshots of the installed program in BUILD_FOLDER/installer-artifacts.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
source "$here/wine.sh"

installers=("$build"/Pipalo-*-setup.exe)
[ -f "${installers[0]}" ] || fail "no installer in $build: build it with ./windows.sh"
[ ${#installers[@]} -eq 1 ] || fail "more than one installer in $build: ${installers[*]}"
installer="${installers[0]}"
program="$build/shipped/Pipalo.exe"
wine_for "$installer"
echo "== $WINEARCH installer $installer"
if ! wine_runs_here; then
    echo "== SKIPPED installing under 32-bit Wine: this machine runs no 32-bit programs"
    exit 0
fi

run="$build/installer-run"
artifacts="$build/installer-artifacts"
rm -rf "$run" "$artifacts"
mkdir -p "$run" "$artifacts"
start_wine "$run"
# Wine's Beep is silent: its calls are traced instead, and the trace is read.
"$loader" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d kernel32.Beep /f
# A tune in a folder whose name has a space and a non-ASCII letter: Do4 and Sol4.
tunes="$run/My Tunes é"
mkdir "$tunes"
printf '// Read this as frequenty, length in milliseconds\r\n263,230\r\n394,230\r\n' > "$tunes/Song ü.TPZ"

title='^Pipalo 4 - TarnWell Dev\.$'
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Pipalo'
drive="$WINEPREFIX/drive_c"
user_folder="$drive/users/$(id -un)"

# The value's data as `reg query` shows it, or nothing when the key or value is missing;
# no NAME is the key's default value.
registry_data() {  # KEY [NAME]
    local query=(/ve) shown="(Default)"
    [ -n "${2:-}" ] && query=(/v "$2") shown="$2"
    { "$loader" reg query "$1" "${query[@]}" 2>/dev/null || true; } | tr -d '\r' |
        sed -n "s/^ *${shown//[()]/.} *REG_[A-Z_]* *//p"
}

registry_value() {  # ROOT NAME
    registry_data "$1\\$uninstall_key" "$2"
}

# The tones Pipalo has played so far, as "frequency,duration" in hexadecimal, one a line.
traced_tones() {
    sed -n 's/.*Call KERNEL32\.Beep(\([0-9a-f]*\),\([0-9a-f]*\)).*/\1,\2/p' "$run/trace.log" |
        sed 's/^0*\([0-9a-f]\)/\1/; s/,0*\([0-9a-f]\)/,\1/'
}

check_value() {  # ROOT NAME EXPECTED
    local data
    data="$(registry_value "$1" "$2")"
    [ "$data" = "$3" ] || fail "$1\\$uninstall_key: $2 is '$data', not '$3'"
}

# Until Pipalo's window is there (or, with "gone", is not): half a minute at most.
wait_for_window() {  # [gone]
    local tries
    for tries in $(seq 300); do
        if xdotool search --name "$title" >/dev/null; then
            [ "${1:-}" != gone ] && return 0
        else
            [ "${1:-}" = gone ] && return 0
        fi
        sleep 0.1
    done
    fail "Pipalo's window did not $([ "${1:-}" = gone ] && echo close || echo show) in 30 s"
}

tune_extension='Software\Classes\.TPZ'

# .TPZ names Pipalo's file type in that root, and its Open command is COMMAND.
check_tune_type() {  # ROOT COMMAND
    local type
    type="$(registry_data "$1\\$tune_extension")"
    [ -n "$type" ] || fail "$1\\$tune_extension names no file type"
    [ "$(registry_data "$1\\Software\\Classes\\$type\\shell\\open\\command")" = "$2" ] ||
        fail "the Open command of $type is '$(registry_data "$1\\Software\\Classes\\$type\\shell\\open\\command")', not '$2'"
}

round_trip() {  # MODE ROOT OTHER_ROOT FOLDER SHORTCUT_FOLDER
    local mode="$1" key_root="$2" other_root="$3" folder="$4" start_menu="$5"
    local shortcut="$start_menu/Pipalo.lnk"
    echo "== installing for $mode"
    timeout 120 "$loader" "$installer" /S "/$mode"
    timeout 120 wineserver -w

    [ "$(ls "$folder")" = "$(printf 'Pipalo.exe\nUninstall.exe')" ] ||
        fail "$folder holds $(ls "$folder" | tr '\n' ' ')instead of Pipalo.exe and Uninstall.exe"
    cmp "$program" "$folder/Pipalo.exe" || fail "the installed Pipalo.exe is not the build's"
    [ -f "$shortcut" ] || fail "no Start-menu entry $shortcut"
    local location
    location="$(registry_value "$key_root" InstallLocation)"
    [ "$("$loader" winepath -u "$location" | tr -d '\r')" -ef "$folder" ] ||
        fail "Add/Remove Programs names $location, not $folder"
    check_value "$key_root" DisplayName "Pipalo 4.0"
    check_value "$key_root" DisplayVersion "4.0"
    check_value "$key_root" Publisher "TarnWell Development"
    check_value "$key_root" UninstallString "\"$location\\Uninstall.exe\""
    check_value "$key_root" QuietUninstallString "\"$location\\Uninstall.exe\" /S"
    [ -z "$(registry_value "$other_root" DisplayName)" ] || fail "Pipalo is listed in $other_root too"

    echo "== starting Pipalo from its Start-menu entry"
    "$loader" start /unix "$shortcut"
    wait_for_window
    sleep 1  # lets it draw before the picture is taken
    import -window "$(xdotool search --name "$title" | head -1)" "$artifacts/installed_for_$mode.png"
    # Asked to close, as Windows asks a program at log-off; it ends with no question.
    "$loader" taskkill /im Pipalo.exe >/dev/null
    wait_for_window gone
    timeout 60 wineserver -w || fail "Pipalo did not end after its window closed"

    echo "== opening a tune file"
    check_tune_type "$key_root" "\"$location\\Pipalo.exe\" \"%1\""
    if [ "$mode" = AllUsers ]; then
        # No question may wait for an answer here ("no program to open this type of file").
        WINEDEBUG=-all,+relay timeout 60 "$loader" start /unix "$tunes/Song ü.TPZ" 2>"$run/trace.log" ||
            fail "start did not open the tune"
    else
        # Wine leaves the user's classes (HKCU\Software\Classes) out of HKEY_CLASSES_ROOT,
        # where Windows merges them in: the command checked above is run as the shell runs it.
        WINEDEBUG=-all,+relay "$loader" "$folder/Pipalo.exe" "$("$loader" winepath -w "$tunes/Song ü.TPZ" | tr -d '\r')" \
            2>"$run/trace.log" &
    fi
    wait_for_window
    local tries
    for tries in $(seq 300); do
        [ "$(traced_tones | wc -l)" -ge 2 ] && break
        sleep 0.1
    done
    [ "$(traced_tones | tr '\n' ' ')" = "107,e6 18a,e6 " ] ||
        fail "the opened tune played '$(traced_tones | tr '\n' ' ')', not 263 and 394 Hz for 230 ms (hexadecimal)"
    "$loader" taskkill /im Pipalo.exe >/dev/null
    wait_for_window gone
    timeout 60 wineserver -w || fail "Pipalo did not end after its window closed"
    # Another program takes the extension: uninstalling leaves it to that program.
    if [ "$mode" = CurrentUser ]; then
        "$loader" reg add "$key_root\\$tune_extension" /ve /d Other.Tune /f >/dev/null
    fi

    echo "== uninstalling for $mode"
    timeout 120 "$loader" "$folder/Uninstall.exe" /S
    timeout 120 wineserver -w  # the uninstaller runs on from a copy of itself
    [ ! -e "$folder" ] || fail "$folder is left: $(ls -A "$folder" | tr '\n' ' ')"
    [ ! -e "$shortcut" ] || fail "the Start-menu entry $shortcut is left"
    [ -z "$(registry_value "$key_root" DisplayName)" ] || fail "Pipalo is still listed in $key_root"
    if [ "$mode" = CurrentUser ]; then
        [ "$(registry_data "$key_root\\$tune_extension")" = Other.Tune ] ||
            fail "uninstalling took .TPZ from the program that had taken it"
        "$loader" reg delete "$key_root\\$tune_extension" /f >/dev/null
    fi
    "$loader" reg query "$key_root\\$tune_extension" >/dev/null 2>&1 && fail "$key_root\\$tune_extension is left"
    # Nothing named after Pipalo anywhere: no file on drive C:, no key or value in the
    # registry, which the stopped Wine server has written out.
    local left
    left="$(find "$drive" -iname '*pipalo*' | head -5)"
    [ -z "$left" ] || fail "files are left: $left"
    left="$(grep -il pipalo "$WINEPREFIX"/*.reg || true)"
    [ -z "$left" ] || fail "the registry still names Pipalo: $(grep -ih pipalo "$WINEPREFIX"/*.reg | head -5)"
}

round_trip CurrentUser HKCU HKLM "$user_folder/AppData/Local/Programs/Pipalo" \
    "$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
round_trip AllUsers HKLM HKCU "$drive/Program Files/Pipalo" \
    "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
echo "The installer ($WINEARCH) installs, starts, opens a tune with and uninstalls Pipalo for the user and for all users."
