#!/usr/bin/env bash
# The decisions of scripts/run.sh and scripts/setup.sh, without building or
# installing anything:
# - run.sh passes its arguments to qx7ctl over the same drives it uses
#   without arguments: the attached ones, else the simulator's state file,
#   unless the arguments name a state file themselves;
# - setup.sh installs through sudo as an ordinary user, directly as root
#   (also where sudo is missing), refuses without either, and does nothing
#   when every package is present.
# Prints one line per failure and exits 1 if there was one.
set -uo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect_eq() {  # NAME EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ------------------------------------------------------------------ run.sh
# shellcheck source=../../scripts/run.sh
source "$scripts/run.sh"
set +e  # run.sh turns it on; this test counts its failures itself

# Arguments shown joined by '|' so that empty and spaced ones stay visible.
joined() { local IFS='|'; echo "$*"; }
while IFS=';' read -r name attached args expected; do
    read -r -a argv <<<"$args"
    ctl_arguments "$attached" "/st ate/sim.json" "${argv[@]}"
    expect_eq "run.sh $name" "$expected" "$(joined "${ctl_args[@]}")"
done <<'CASES'
no drive: the simulator;no;show;--sim|/st ate/sim.json|show
no drive, options and command;no;--lang ko list --verbose;--sim|/st ate/sim.json|--lang|ko|list|--verbose
no drive, own --sim FILE;no;--sim /tmp/x.json show;--sim|/tmp/x.json|show
no drive, own --sim=FILE;no;--sim=/tmp/x.json show;--sim=/tmp/x.json|show
no drive, --sim only after --;no;apply -- --sim;--sim|/st ate/sim.json|apply|--|--sim
no drive, a longer option is not --sim;no;--simulate show;--sim|/st ate/sim.json|--simulate|show
attached: the drives as they are;yes;show;show
attached, own --sim;yes;--sim /tmp/x.json list;--sim|/tmp/x.json|list
CASES

sysfs=$work/sys
mkdir -p "$sysfs/bus/usb/devices/1-1" "$sysfs/bus/usb/devices/2-1"
echo 1d6b >"$sysfs/bus/usb/devices/1-1/idVendor"
qx7_attached "$sysfs" && fail "run.sh: another vendor's device counts as a QX7"
echo 230A >"$sysfs/bus/usb/devices/2-1/idVendor"
qx7_attached "$sysfs" || fail "run.sh: an attached QX7 (230a) is not seen"
qx7_attached "$work/nothing" && fail "run.sh: a missing sysfs counts as a QX7"

expect_eq "run.sh state: QX7_SIM_STATE first" "/a/b.json" \
    "$(QX7_SIM_STATE=/a/b.json XDG_STATE_HOME=/x HOME=/h sim_state)"
expect_eq "run.sh state: XDG_STATE_HOME" "/x/qx7/sim.json" \
    "$(unset QX7_SIM_STATE; XDG_STATE_HOME=/x HOME=/h sim_state)"
expect_eq "run.sh state: empty XDG_STATE_HOME means unset" "/h/.local/state/qx7/sim.json" \
    "$(unset QX7_SIM_STATE; XDG_STATE_HOME='' HOME=/h sim_state)"

# ---------------------------------------------------------------- setup.sh
# Runs setup.sh with stand-ins for id, dpkg-query, apt-get and (optionally)
# sudo on a PATH that holds nothing else but the tools it needs; each
# stand-in logs its call to $work/calls.
#   run_setup UID INSTALLED(all|some) SUDO(yes|no) -> sets status, output, calls
run_setup() {
    local uid=$1 installed=$2 with_sudo=$3 bin=$work/bin tool
    rm -rf "$bin" "$work/calls"
    mkdir -p "$bin"
    for tool in bash env grep; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
    printf '#!%s\necho %s\n' "$(command -v bash)" "$uid" >"$bin/id"
    if [ "$installed" = all ]; then
        printf '#!%s\necho -n "install ok installed"\n' "$(command -v bash)" >"$bin/dpkg-query"
    else
        # Everything but libssl-dev.
        printf '#!%s\n[ "${!#}" = libssl-dev ] || echo -n "install ok installed"\n' \
            "$(command -v bash)" >"$bin/dpkg-query"
    fi
    printf '#!%s\necho "apt-get DEBIAN_FRONTEND=$DEBIAN_FRONTEND $*" >>"%s"\n' \
        "$(command -v bash)" "$work/calls" >"$bin/apt-get"
    if [ "$with_sudo" = yes ]; then
        printf '#!%s\necho "sudo $1" >>"%s"\nexec "$@"\n' "$(command -v bash)" "$work/calls" >"$bin/sudo"
    fi
    chmod +x "$bin"/*
    output=$(env -i PATH="$bin" "$bin/bash" "$scripts/setup.sh" 2>&1)
    status=$?
    calls=$(cat "$work/calls" 2>/dev/null)
}

run_setup 1000 all yes
expect_eq "setup.sh, all present: status" 0 "$status"
expect_eq "setup.sh, all present: no apt-get, no sudo" "" "$calls"

run_setup 1000 some yes
expect_eq "setup.sh as a user: status" 0 "$status"
expect_eq "setup.sh as a user: apt-get through sudo, non-interactive" \
    "sudo env
apt-get DEBIAN_FRONTEND=noninteractive update -qq
sudo env
apt-get DEBIAN_FRONTEND=noninteractive install -y -qq --no-install-recommends libssl-dev" "$calls"

for with_sudo in yes no; do
    run_setup 0 some "$with_sudo"
    expect_eq "setup.sh as root (sudo $with_sudo): status" 0 "$status"
    expect_eq "setup.sh as root (sudo $with_sudo): apt-get directly" \
        "apt-get DEBIAN_FRONTEND=noninteractive update -qq
apt-get DEBIAN_FRONTEND=noninteractive install -y -qq --no-install-recommends libssl-dev" "$calls"
done

run_setup 1000 some no
expect_eq "setup.sh as a user without sudo: status" 1 "$status"
expect_eq "setup.sh as a user without sudo: nothing run" "" "$calls"
case "$output" in
    *"no sudo; run this script as root"*) ;;
    *) fail "setup.sh as a user without sudo: says [$output]" ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "run.sh and setup.sh: all cases pass"
