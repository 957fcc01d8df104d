#!/usr/bin/env bash
# The Windows installer, under wine: installs it silently, checks that it
# put exactly the expected files into Program Files, a Start-menu entry and
# an Add/Remove Programs entry, starts the installed qx7config.exe and
# qx7ctl.exe (--version names the installer's version) and, under Xvfb, the
# window over a simulated drive, then uninstalls it
# silently and checks that everything it installed is gone while a file of
# the user's in Documents\QX7 is still there, unchanged. Then the same into
# a folder (/D=) that holds a file of the user's: only that file is left.
#   WINEPREFIX=... tests/scripts/windows_installer_test.sh INSTALLER [PROBE]
# INSTALLER is build/windows/qx7config-setup-VERSION.exe. PROBE, when given,
# is build/windows/tests/installer/qx7_installed_probe.exe, run from the
# installed folder (and removed before uninstalling): Qt's Korean translation
# must be found there the way the program finds it, and while the probe holds
# the installed Qt DLLs in use, as a running program does, installing again
# and uninstalling must fail and change nothing.
# Uses the wine prefix in WINEPREFIX (scripts/test-windows.sh sets one up);
# the program must not be installed there yet.
set -euo pipefail
installer=${1:?usage: windows_installer_test.sh INSTALLER [PROBE]}
probe=${2:-}
: "${WINEPREFIX:?set WINEPREFIX to the wine prefix to install into}"
# Wine copies every Start-menu entry made into the home folder's desktop
# menus and icons (winemenubuilder), where uninstalling leaves it: not here.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
started=$SECONDS

name=$(basename "$installer")
if [[ ! "$name" =~ ^qx7config-setup-([0-9][0-9.]*)\.exe$ ]]; then
    echo "windows_installer_test: $installer is not named qx7config-setup-VERSION.exe" >&2
    exit 1
fi
version=${BASH_REMATCH[1]}
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
failures=0
fail() {
    echo "windows_installer_test: FAIL: $*" >&2
    failures=$((failures + 1))
}

# wine prints CRLF line ends; its own services may write to the output of
# the first program started, so every run goes through a file. A program
# that cannot start may wait on an error box no one sees: after
# $wine_limit seconds it has failed.
wine_limit=120
run_wine() {
    local out=$1
    shift
    timeout "$wine_limit" wine "$@" </dev/null >"$out" 2>&1
}
reg_value() {  # KEY VALUE: the data of a registry value, or nothing
    run_wine "$log/reg.txt" reg query "$1" /v "$2" || return 0
    tr -d '\r' <"$log/reg.txt" | awk -v value="$2" '$1 == value { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print }'
}

folder_windows='C:\Program Files\QX7 Configurator'
folder="$WINEPREFIX/drive_c/Program Files/QX7 Configurator"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QX7 Configurator.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QX7 Configurator'
if [ -e "$folder" ]; then
    # A run that failed before uninstalling: say how to start clean.
    echo "windows_installer_test: $folder exists already (an earlier run failed?): uninstall it with" \
        "WINEPREFIX=$WINEPREFIX wine \"$folder/Uninstall.exe\" /S, or remove $WINEPREFIX" >&2
    exit 1
fi

# A file of the user's in Documents\QX7 (where the program keeps its files).
documents_windows=$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Personal)
[ -n "$documents_windows" ] || { echo "windows_installer_test: wine names no Documents folder" >&2; exit 1; }
documents=$(winepath -u "$documents_windows" 2>/dev/null | tr -d '\r')
# Wine may link Documents to a folder of the home that does not exist yet:
# the test makes what is missing and removes, at the end, only what it made.
user_folder=$(readlink -m "$documents/QX7")
made_from=""
missing=$user_folder
while [ ! -e "$missing" ]; do
    made_from=$missing
    missing=$(dirname "$missing")
done
mkdir -p "$user_folder"
user_file="$user_folder/installer-test-$$.qx7"
echo "a configuration the user saved" >"$user_file"
cleanup() {
    rm -f "$user_file"
    local made=$user_folder
    while [ -n "$made_from" ] && rmdir "$made" 2>/dev/null && [ "$made" != "$made_from" ]; do
        made=$(dirname "$made")
    done
    rm -rf "$log"
}
trap cleanup EXIT

echo "windows_installer_test: installing $name silently"
if ! run_wine "$log/install.txt" "$installer" /S; then
    cat "$log/install.txt" >&2
    echo "windows_installer_test: the installer failed" >&2
    exit 1
fi
[ -d "$folder" ] || { echo "windows_installer_test: nothing was installed in $folder" >&2; exit 1; }

# Exactly these files: the programs, the Qt DLLs and plugins they load,
# the MinGW runtime of the Qt DLLs, Qt's Korean translation, qt.conf and
# the uninstaller; nothing left out, nothing more (no Qt6Test.dll, no
# offscreen platform plugin).
expected=$(sort <<'EOF'
Qt6Core.dll
Qt6Gui.dll
Qt6Network.dll
Qt6Widgets.dll
Uninstall.exe
libgcc_s_seh-1.dll
libstdc++-6.dll
libwinpthread-1.dll
platforms/qwindows.dll
qt.conf
qx7config.exe
qx7ctl.exe
styles/qwindowsvistastyle.dll
translations/qtbase_ko.qm
EOF
)
installed=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)
if [ "$installed" != "$expected" ]; then
    fail "the installed files differ from the expected ones (< expected, > installed):"
    diff <(echo "$expected") <(echo "$installed") >&2 || true
fi
if [ ! -f "$shortcut" ]; then
    fail "no Start-menu entry $shortcut"
elif ! tr -d '\000' <"$shortcut" | grep -aqiF "$folder_windows\\qx7config.exe"; then
    fail "the Start-menu entry does not start $folder_windows\\qx7config.exe"
fi
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] ||
    fail "Add/Remove Programs does not list version $version"
[ "$(reg_value "$uninstall_key" UninstallString)" = "\"$folder_windows\\Uninstall.exe\"" ] ||
    fail "Add/Remove Programs does not name $folder_windows\\Uninstall.exe"

# The installed programs start from there, with what was installed beside
# them, and name the installer's version.
for program in qx7ctl qx7config; do
    if ! run_wine "$log/$program.txt" "$folder/$program.exe" --version; then
        fail "$program.exe --version failed: $(tr -d '\r' <"$log/$program.txt")"
    elif ! tr -d '\r' <"$log/$program.txt" | grep -qx "$program $version"; then
        fail "$program.exe --version does not print \"$program $version\": $(tr -d '\r' <"$log/$program.txt")"
    fi
done
# The installed window opens, over a simulated drive, with the platform
# plugin and style installed beside it, and renders itself into a picture.
if command -v xvfb-run >/dev/null; then
    bash "$(dirname "$0")/make_sim_state.sh" 1 "$log/sim.json"
    state=$(winepath -w "$log/sim.json" 2>/dev/null)
    picture=$(winepath -w "$log/window.png" 2>/dev/null)
    if ! xvfb-run -a timeout "$wine_limit" wine "$folder/qx7config.exe" --simulate "$state" --no-update-check \
        --grab "$picture" </dev/null >"$log/window.txt" 2>&1; then
        fail "the installed qx7config.exe did not open its window: $(tr -d '\r' <"$log/window.txt")"
    elif [ "$(head -c 4 "$log/window.png" 2>/dev/null | tail -c 3)" != PNG ]; then
        fail "the installed qx7config.exe did not render its window into a PNG picture"
    fi
else
    echo "windows_installer_test: skipped opening the installed window: xvfb-run is missing (Debian: xvfb)"
fi
if [ -n "$probe" ]; then
    cp "$probe" "$folder/"
    if ! run_wine "$log/probe.txt" "$folder/$(basename "$probe")"; then
        fail "Qt's Korean translation is not found from the installed folder: $(tr -d '\r' <"$log/probe.txt")"
    fi
    rm -f "$folder/$(basename "$probe")"
fi

# NSIS's uninstaller copies itself to the temporary folder, starts that
# copy and returns at once: wait_until_gone waits for the copy to remove
# PATH (at most a minute).
uninstall() {  # FOLDER: runs FOLDER's uninstaller silently
    echo "windows_installer_test: uninstalling silently from $1"
    run_wine "$log/uninstall.txt" "$1/Uninstall.exe" /S || fail "the uninstaller failed: $(cat "$log/uninstall.txt")"
}
wait_until_gone() {
    local tries
    for ((tries = 0; tries < 240; tries++)); do
        [ -e "$1" ] || return 0
        sleep 0.25
    done
}
uninstall "$folder"
wait_until_gone "$folder"
if [ -e "$folder" ]; then
    fail "the uninstaller left $folder behind:"
    (cd "$folder" && find . >&2)
fi
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
run_wine "$log/reg.txt" reg query "$uninstall_key" && fail "the uninstaller left the Add/Remove Programs entry"
[ "$(cat "$user_file" 2>/dev/null)" = "a configuration the user saved" ] ||
    fail "the uninstaller removed or changed the user's $user_file"

# While the probe, started from FOLDER, holds the installed DLLs in use as a
# running program does, installing again and uninstalling must both fail,
# and change nothing, rather than report success over files they could not
# replace or remove. The uninstaller runs in place (_?=FOLDER_WINDOWS), so
# that its exit status is seen.
check_in_use() {  # FOLDER FOLDER_WINDOWS
    local probe_installed holder hold tries before after
    probe_installed="$1/$(basename "$probe")"
    cp "$probe" "$probe_installed"
    rm -f "$log/hold"
    mkfifo "$log/hold"
    timeout "$wine_limit" wine "$probe_installed" --hold <"$log/hold" >"$log/hold.txt" 2>&1 &
    holder=$!
    exec {hold}>"$log/hold"
    for ((tries = 0; tries < 240; tries++)); do
        grep -q holding "$log/hold.txt" 2>/dev/null && break
        sleep 0.25
    done
    before=$(cd "$1" && find . -type f -exec stat -c '%Z %s %n' {} + | sort)
    if ! grep -q holding "$log/hold.txt"; then
        fail "the probe did not start: $(tr -d '\r' <"$log/hold.txt")"
    else
        run_wine "$log/reinstall.txt" "$installer" /S "/D=$2" &&
            fail "installing over a running program reported success"
        run_wine "$log/uninstall.txt" "$1/Uninstall.exe" /S "_?=$2" &&
            fail "uninstalling a running program reported success"
        after=$(cd "$1" && find . -type f -exec stat -c '%Z %s %n' {} + | sort)
        if [ "$after" != "$before" ]; then
            fail "installing or uninstalling over a running program changed its files (< before, > after):"
            diff <(echo "$before") <(echo "$after") >&2 || true
        fi
        [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] ||
            fail "uninstalling a running program removed its Add/Remove Programs entry"
    fi
    exec {hold}>&-
    wait "$holder" || fail "the probe holding the installed files failed: $(tr -d '\r' <"$log/hold.txt")"
    rm -f "$probe_installed"
}

# Installed (/D=) into a folder that already holds a file of the user's, the
# uninstaller removes what it installed and leaves the folder with that file.
own_folder="$log/own"
mkdir -p "$own_folder"
echo "the user's own notes" >"$own_folder/notes.txt"
# The folder's Windows path has no spaces: /D= and _?= take it unquoted.
own_folder_windows=$(winepath -w "$own_folder" 2>/dev/null)
if run_wine "$log/install.txt" "$installer" /S "/D=$own_folder_windows" && [ -f "$own_folder/qx7config.exe" ]; then
    [ -n "$probe" ] && check_in_use "$own_folder" "$own_folder_windows"
    uninstall "$own_folder"
    wait_until_gone "$own_folder/Uninstall.exe"
    left="nothing, not even the folder"
    [ -d "$own_folder" ] && left=$(cd "$own_folder" && find . -mindepth 1 | sed 's|^\./||' | sort)
    [ "$left" = notes.txt ] || fail "uninstalling from a folder of the user's left $(echo $left) instead of notes.txt"
    [ "$(cat "$own_folder/notes.txt" 2>/dev/null)" = "the user's own notes" ] ||
        fail "the uninstaller changed the user's notes.txt in the program's folder"
else
    fail "the installer did not install into the folder given with /D="
fi

if [ "$failures" -gt 0 ]; then
    echo "windows_installer_test: $failures check(s) failed" >&2
    exit 1
fi
echo "windows_installer_test: passed ($name, $(stat -c %s "$installer") bytes, $((SECONDS - started)) s)"
