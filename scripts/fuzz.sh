#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer, under
# AddressSanitizer and UndefinedBehaviorSanitizer (build/fuzz), and runs each
# for a bounded time on a copy of its committed corpus; the committed corpus
# never grows here. Prints per target the inputs it ran and what it found,
# and fails when a target crashed, leaked, timed out or broke an invariant.
# Crash inputs go to build/fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS]   seconds per target (default 30)
# Only the fuzz programs are built (no Qt program, no tests), though
# configuring the project still looks for its packages, Qt among them.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: scripts/fuzz.sh [SECONDS]  (seconds per target, default 30)" >&2
    exit 2
fi

targets=(config_file drive_answers discovery helper_request update_manifest sim_state)
build=build/fuzz

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
# The fuzz preset: clang, QX7_FUZZ=ON, warnings as errors, no tests.
CC=clang CXX=clang++ cmake --preset fuzz "${launcher[@]}" >/dev/null
echo "fuzz: building ${#targets[@]} targets in $build"
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/artifacts" "$build/logs"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    rm -rf "$work"
    mkdir -p "$work"
    cp fuzz/corpus/"$target"/* "$work"/
    log="$build/logs/$target.log"
    status=0
    "$build/fuzz/${target}_fuzz" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ "$status" -eq 0 ]; then
        echo "fuzz: $target: ${executions:-?} executions in ${seconds} s, nothing found"
    else
        failed+=("$target")
        artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
        echo "fuzz: $target: FOUND A FAULT after ${executions:-?} executions (exit $status)"
        echo "fuzz:   input: ${artifact:-none written}; log: $log"
        grep -m 1 -E "ERROR: |runtime error:|invariant broken" "$log" | sed 's/^/fuzz:   /' || true
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: faults found by: ${failed[*]}" >&2
    exit 1
fi
