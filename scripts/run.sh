#!/usr/bin/env bash
# Builds qx7ctl and runs it. With no arguments it shows the attached QX7
# drives, or, when none is attached, the drives of the simulator (its state
# file is created on first use). With arguments they are passed to qx7ctl as
# they are.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --parallel "$(nproc)" --target qx7ctl qx7-scsi-helper >/dev/null
qx7ctl=build/default/src/cli/qx7ctl

if [ $# -gt 0 ]; then
    exec "$qx7ctl" "$@"
fi

# A QX7 announces USB vendor 230a.
if grep -qsix 230a /sys/bus/usb/devices/*/idVendor; then
    echo "QX7 drive attached"
    "$qx7ctl" list --verbose
    exec "$qx7ctl" show
fi

state="${QX7_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/qx7/sim.json}"
mkdir -p "$(dirname "$state")"
echo "No QX7 attached; simulated drives from $state"
"$qx7ctl" --sim "$state" list
"$qx7ctl" --sim "$state" show
