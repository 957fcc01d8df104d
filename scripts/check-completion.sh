#!/usr/bin/env bash
# Checks qx7ctl's bash completion against a qx7ctl program:
#   scripts/check-completion.sh COMPLETION_FILE QX7CTL
# Sources the file in a clean bash, checks that it registers itself for
# qx7ctl and that it completes the commands, the options of each command
# and the values of the options it knows. Prints one line per failure;
# exits 1 if there was one.
set -uo pipefail

completion=$(realpath "$1")
qx7ctl=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder" && touch "$work/file.qx7"

# Runs the completion for the words given (the program first, the last one
# being typed) in a fresh bash and prints the candidates, one a line, sorted.
complete_words() {
    bash --norc --noprofile -c '
        source "$1" || exit 3
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        _qx7ctl
        printf "%s\n" "${COMPREPLY[@]}"
    ' completion "$completion" "$@" | sort
}

failures=0
fail() {
    echo "completion: $*"
    failures=$((failures + 1))
}

registered=$(bash --norc --noprofile -c 'source "$1" && complete -p qx7ctl' completion "$completion" 2>&1)
[ "$registered" = "complete -F _qx7ctl qx7ctl" ] || fail "not registered for qx7ctl: $registered"

# Each case: the words typed (the last one is completed), "gives", and the
# candidates expected among the answer; '!' before a candidate: must not be
# offered. '=' as the first expectation: exactly these.
check() {
    local words=() expected=() exact=
    while [ "$1" != gives ]; do words+=("$1"); shift; done
    shift
    [ "${1:-}" = "=" ] && { exact=1; shift; }
    expected=("$@")
    local got
    got=$(cd "$work" && complete_words "$qx7ctl" "${words[@]:1}")
    local label="qx7ctl ${words[*]:1}<TAB>"
    for candidate in "${expected[@]}"; do
        if [[ $candidate == !* ]]; then
            grep -qxF -- "${candidate#!}" <<<"$got" && fail "$label offers ${candidate#!}"
        else
            grep -qxF -- "$candidate" <<<"$got" || fail "$label does not offer $candidate (got: $(echo $got))"
        fi
    done
    if [ -n "$exact" ]; then
        local want
        want=$(printf '%s\n' "${expected[@]}" | sort)
        [ "$got" = "$want" ] || fail "$label offers $(echo $got), not exactly $(echo $want)"
    fi
}

check qx7ctl "" gives list show apply config check-update
check qx7ctl ch gives = check-update
check qx7ctl -- gives --sim --trace --trace-full --lang --help --version
check qx7ctl --lang "" gives = en ko
check qx7ctl --lang ko "" gives list show apply config check-update
check qx7ctl --sim "" gives file.qx7 folder
check qx7ctl --sim state.json --trace "" gives list show apply
check qx7ctl list - gives -v --verbose --help
check qx7ctl show -- gives --drive --json !--all
check qx7ctl apply -- gives --drive --all --password-file --folder --no-auto-save --no-log !--sim
check qx7ctl apply "" gives file.qx7 folder
check qx7ctl apply site.qx7 --folder "" gives = folder
check qx7ctl apply site.qx7 --password-file "" gives file.qx7
check qx7ctl apply site.qx7 --drive "" gives =
check qx7ctl config "" gives = new show
check qx7ctl config show -- gives --json --show-passwords
check qx7ctl config new out.qx7 -- gives --form --from-drive --base
check qx7ctl config new out.qx7 --base "" gives file.qx7
check qx7ctl check-update -- gives --url

if [ "$failures" -ne 0 ]; then
    echo "completion: $failures failures"
    exit 1
fi
