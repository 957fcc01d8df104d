#!/usr/bin/env bash
# Writes a simulator state file with N default drives (each entry takes the
# defaults of its position), for measuring the simulator at scale:
#   tests/scripts/make_sim_state.sh 99 /tmp/s99.json
#   /usr/bin/time -v build/sim/src/cli/qx7ctl --sim /tmp/s99.json list
set -euo pipefail
count=${1:?usage: make_sim_state.sh COUNT FILE}
file=${2:?usage: make_sim_state.sh COUNT FILE}
{
    printf '{"drives": ['
    for ((i = 0; i < count; i++)); do
        ((i > 0)) && printf ', '
        printf '{}'
    done
    printf ']}\n'
} >"$file"
