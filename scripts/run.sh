#!/usr/bin/env bash
# Builds the programs and runs them. With no arguments it opens the desktop
# window qx7config over the attached QX7 drives or, when none is attached,
# over the simulator (its state file is created on first use, and a panel
# beside the window plugs, unplugs and unlocks the simulated drives).
# Without a display it says so and lists the drives with qx7ctl instead.
# With arguments they are passed to qx7ctl as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "run: building (the first build takes several minutes)"
cmake --preset default >/dev/null
cmake --build --preset default --parallel "$(nproc)" --target qx7ctl qx7config qx7-scsi-helper
qx7ctl=build/default/src/cli/qx7ctl
qx7config=build/default/src/ui/app/qx7config

if [ $# -gt 0 ]; then
    exec "$qx7ctl" "$@"
fi

state="${QX7_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/qx7/sim.json}"
attached=no
# A QX7 announces USB vendor 230a.
if grep -qsix 230a /sys/bus/usb/devices/*/idVendor; then attached=yes; fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    if [ "$attached" = yes ]; then
        exec "$qx7config"
    fi
    echo "No QX7 attached; the window uses the simulated drives of $state"
    exec "$qx7config" --simulate "$state"
fi

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): listing the drives with qx7ctl instead of opening the window"
if [ "$attached" = yes ]; then
    "$qx7ctl" list --verbose
    exec "$qx7ctl" show
fi
mkdir -p "$(dirname "$state")"
echo "No QX7 attached; simulated drives from $state"
"$qx7ctl" --sim "$state" list
"$qx7ctl" --sim "$state" show
