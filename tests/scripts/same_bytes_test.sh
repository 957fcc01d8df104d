#!/usr/bin/env bash
# Runs qx7ctl of two builds (Linux's, and Windows' under wine) over copies of
# one simulator state file with a fixed random seed, and requires the same
# exchanges with the drive and the same files:
#   - `--trace-full` of `list`, `show` and `apply`: the same command blocks
#     and data, line for line (the times in result lines and the line
#     endings aside);
#   - the configuration file saved for the drive and the log: the same bytes.
#   tests/scripts/same_bytes_test.sh LINUX_QX7CTL WINDOWS_QX7CTL_EXE
# Wine's settings (WINEPREFIX, WINEDEBUG) come from the caller; SAME_BYTES_RUNNER
# replaces wine (SAME_BYTES_RUNNER=env compares a build with itself).
set -euo pipefail
linux_qx7ctl=$(realpath "${1:?usage: same_bytes_test.sh LINUX_QX7CTL WINDOWS_QX7CTL_EXE}")
windows_qx7ctl=$(realpath "${2:?usage: same_bytes_test.sh LINUX_QX7CTL WINDOWS_QX7CTL_EXE}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The configuration file both apply: made once, by the Linux build.
cat >"$work/form.json" <<'FORM'
{"current_password": "QX7ADMIN", "change_settings": true, "self_destruct": "enable",
 "self_destruct_counter": 30, "virtual_cd": "disable", "strong_password": "enable",
 "min_password_length": 10, "random_keypad": "disable", "key_tone": "enable",
 "admin_language": "English", "user_language": "French", "auto_lock": "enable",
 "auto_lock_delay": 150, "centrawatch": "disable", "centrawatch_admin_mode": false, "rfid": "disable",
 "read_only": "disable", "extended_options_mask": 6148, "new_admin_password": "Admin12345",
 "new_user_password": "User123456"}
FORM
"$linux_qx7ctl" --lang en config new "$work/site.qx7" --form "$work/form.json" >/dev/null 2>"$work/config-new.err" || {
    cat "$work/config-new.err" >&2
    exit 1
}

run_side() {
    local side=$1
    shift
    local dir="$work/$side"
    mkdir -p "$dir"
    cp "$work/site.qx7" "$dir/site.qx7"
    printf 'QX7ADMIN\n' >"$dir/password.txt"
    printf '{"random_seed": 2026, "drives": [{}, {"has_cdrom": false}]}\n' >"$dir/state.json"
    (
        cd "$dir"
        for command in "list" "show --drive 2" "apply site.qx7 --drive 1 --password-file password.txt --folder out"; do
            # Relative paths only, so that no path differs between the two.
            # shellcheck disable=SC2086
            "$@" --lang en --sim state.json --trace-full $command >>out.txt 2>>err.txt || {
                echo "same-bytes: $side: qx7ctl $command failed:" >&2
                grep -v '^scsi ' err.txt | tail -5 >&2
                exit 1
            }
        done
    )
}
run_side linux "$linux_qx7ctl"
run_side windows ${SAME_BYTES_RUNNER:-wine} "$windows_qx7ctl"

# The scan reads the drives at the same time, so the lines of two drives
# interleave as the threads run: each drive's lines are compared in their
# order (a stable sort by the dev= field), the other lines in theirs. The
# times of the result lines, the stamp in the log's name and the folder
# separator of the paths shown differ.
normalise() {
    local text
    text=$(sed -e 's/\r$//' -e 's|\\|/|g' -e 's/[0-9][0-9]*\.[0-9] s)/T s)/g' -e 's/Log-[0-9-]*\.txt/Log-STAMP.txt/' "$1")
    grep -v '^scsi ' <<<"$text" || true
    grep '^scsi ' <<<"$text" | sort -s -k2,2 || true
}
failures=0
for stream in out.txt err.txt; do
    if ! diff -u <(normalise "$work/linux/$stream") <(normalise "$work/windows/$stream") >"$work/$stream.diff"; then
        echo "same-bytes: $stream differs between Linux and Windows:" >&2
        head -40 "$work/$stream.diff" >&2
        failures=$((failures + 1))
    fi
done
scsi_lines=$(grep -c '^scsi ' "$work/linux/err.txt" || true)
if [ "$scsi_lines" -lt 20 ]; then
    echo "same-bytes: only $scsi_lines trace lines on Linux; the comparison would prove nothing" >&2
    failures=$((failures + 1))
fi

# The files apply wrote: the drive's configuration file and the log (whose
# name carries the time of the run).
(cd "$work/linux/out" && ls) >"$work/linux-files.txt"
(cd "$work/windows/out" && ls) >"$work/windows-files.txt"
if [ "$(sed 's/Log-.*/Log/' "$work/linux-files.txt")" != "$(sed 's/Log-.*/Log/' "$work/windows-files.txt")" ]; then
    echo "same-bytes: apply wrote different files: $(tr '\n' ' ' <"$work/linux-files.txt")/" \
        "$(tr '\n' ' ' <"$work/windows-files.txt")" >&2
    failures=$((failures + 1))
fi
files=0
while IFS= read -r name; do
    other=$name
    case "$name" in QX7Cfg_Log-*) other=$(grep '^QX7Cfg_Log-' "$work/windows-files.txt" | head -1) ;; esac
    if ! cmp -s "$work/linux/out/$name" "$work/windows/out/$other"; then
        echo "same-bytes: $name is not byte-identical on Windows ($other)" >&2
        failures=$((failures + 1))
    fi
    files=$((files + 1))
done <"$work/linux-files.txt"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "same-bytes: $scsi_lines trace lines, standard output and $files written files identical on Linux and Windows"
