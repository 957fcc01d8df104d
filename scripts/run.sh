#!/usr/bin/env bash
# Builds the programs and runs them. With no arguments it opens the desktop
# window qx7config over the attached QX7 drives or, when none is attached,
# over the simulator (its state file is created on first use, and a panel
# beside the window plugs, unplugs and unlocks the simulated drives).
# Without a display it says so and lists the drives with qx7ctl instead.
# With arguments they are passed to qx7ctl, over the same drives: the
# attached ones, else the simulator's state file (unless the arguments name
# a state file with --sim themselves).
set -euo pipefail

# The simulator's state file: $QX7_SIM_STATE, else the window's default.
sim_state() {
    echo "${QX7_SIM_STATE:-${XDG_STATE_HOME:-$HOME/.local/state}/qx7/sim.json}"
}

# Whether a QX7 is attached below the sysfs root $1: one announces USB
# vendor 230a.
qx7_attached() {
    grep -qsix 230a "$1"/bus/usb/devices/*/idVendor
}

# Whether the arguments choose a state file themselves (--sim FILE or
# --sim=FILE, before any `--`).
names_sim_state() {
    local arg
    for arg in "$@"; do
        case "$arg" in
            --) return 1 ;;
            --sim | --sim=*) return 0 ;;
        esac
    done
    return 1
}

# Sets ctl_args to qx7ctl's arguments for `run.sh ARGS...`:
#   ctl_arguments ATTACHED(yes|no) STATE ARGS...
ctl_arguments() {
    local attached=$1 state=$2
    shift 2
    ctl_args=()
    if [ "$attached" = no ] && ! names_sim_state "$@"; then
        ctl_args=(--sim "$state")
    fi
    ctl_args+=("$@")
}

main() {
    cd "$(dirname "$0")/.."
    echo "run: building the programs in build/default (the first build takes several minutes)"
    cmake --preset default >/dev/null
    cmake --build --preset default --parallel "$(nproc)" --target qx7ctl qx7config qx7-scsi-helper
    local qx7ctl=build/default/src/cli/qx7ctl
    local qx7config=build/default/src/ui/program/qx7config

    local state attached=no
    state=$(sim_state)
    if qx7_attached /sys; then attached=yes; fi
    if [ "$attached" = no ]; then mkdir -p "$(dirname "$state")"; fi

    if [ $# -gt 0 ]; then
        ctl_arguments "$attached" "$state" "$@"
        exec "$qx7ctl" "${ctl_args[@]}"
    fi

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
    echo "No QX7 attached; simulated drives from $state"
    "$qx7ctl" --sim "$state" list
    "$qx7ctl" --sim "$state" show
}

# Sourced (by its test) it only defines the functions above.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
