#!/usr/bin/env bash
# Builds qx7ctl and runs it. With no arguments it shows what the drive
# simulator holds (the state file is created on first use); with arguments
# they are passed to qx7ctl as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --parallel "$(nproc)" --target qx7ctl >/dev/null
qx7ctl=build/default/src/cli/qx7ctl

if [ $# -gt 0 ]; then
    exec "$qx7ctl" "$@"
fi

state="${QX7_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/qx7/sim.json}"
mkdir -p "$(dirname "$state")"
echo "Simulated drives from $state"
"$qx7ctl" --sim "$state" list
"$qx7ctl" --sim "$state" show
