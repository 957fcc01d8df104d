#!/usr/bin/env bash
# Measures provisioning at scale on simulated drives, in one run:
#   - qx7ctl list on 1 and on 99 drives, each answering every command after
#     5 ms (latency_ms 5); goal: 99 drives take at most 2 times as long as one;
#   - qx7ctl apply --all on 1 and on 99 drives, latency_ms 5, keeping a real
#     drive's pauses (--sim-waits: 1 s after opening, 5 s after the upload)
#     and the read-back of each drive after its upload (1 s after opening);
#     goal: 99 drives take at most 1.5 times as long as one.
# Prints each wall time (the best of a few runs) and the ratios.
#
#   bench/provisioning.sh [BUILD_DIR]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
qx7ctl="$build/src/cli/qx7ctl"
if [ ! -x "$qx7ctl" ]; then
    echo "bench: $qx7ctl is missing; build first (scripts/test.sh builds build/default)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A state file with COUNT default drives, each with LATENCY ms.
state() {
    local count=$1 latency=$2 file=$3 i
    {
        printf '{"drives": ['
        for ((i = 0; i < count; i++)); do
            ((i > 0)) && printf ', '
            printf '{"latency_ms": %d}' "$latency"
        done
        printf ']}\n'
    } >"$file"
}

# Wall time of a command in milliseconds.
wall_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

# The smallest of RUNS wall times of a command.
best_ms() {
    local runs=$1 best='' ms
    shift
    for ((r = 0; r < runs; r++)); do
        ms=$(wall_ms "$@")
        if [ -z "$best" ] || ((ms < best)); then best=$ms; fi
    done
    echo "$best"
}

cat >"$work/form.json" <<'JSON'
{"current_password": "QX7ADMIN", "change_settings": true, "self_destruct": "enable",
 "self_destruct_counter": 30, "virtual_cd": "disable", "strong_password": "enable",
 "min_password_length": 10, "random_keypad": "disable", "key_tone": "enable",
 "admin_language": "English", "user_language": "French", "centrawatch": "disable",
 "centrawatch_admin_mode": false, "rfid": "disable", "read_only": "disable",
 "auto_lock": "enable", "auto_lock_delay": 150, "extended_options_mask": 6148}
JSON
printf 'QX7ADMIN\n' >"$work/password"
"$qx7ctl" --sim "$work/form-state.json" config new "$work/site.qx7" --form "$work/form.json" >/dev/null

apply_ms() {
    local count=$1
    state "$count" 5 "$work/apply-$count.json"
    rm -rf "$work/out-$count"
    wall_ms "$qx7ctl" --sim "$work/apply-$count.json" --sim-waits apply "$work/site.qx7" --all \
        --password-file "$work/password" --folder "$work/out-$count" --quiet
}

echo "bench: list and apply --all, latency_ms 5 (this takes about half a minute)"
state 1 5 "$work/list-1.json"
state 99 5 "$work/list-99.json"
list_one=$(best_ms 3 "$qx7ctl" --sim "$work/list-1.json" list)
list_many=$(best_ms 3 "$qx7ctl" --sim "$work/list-99.json" list)
one=$(apply_ms 1)
many=$(apply_ms 99)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-34s %8s ms\n' "list, 1 drive" "$list_one"
printf '%-34s %8s ms   ratio to 1 drive %s (goal <= 2.00)\n' "list, 99 drives" "$list_many" \
    "$(ratio "$list_many" "$list_one")"
printf '%-34s %8s ms\n' "apply --all, 1 drive" "$one"
printf '%-34s %8s ms   ratio to 1 drive %s (goal <= 1.50)\n' "apply --all, 99 drives" "$many" \
    "$(ratio "$many" "$one")"
