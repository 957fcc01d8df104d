#!/usr/bin/env bash
# Renders the main window over simulated drives into docs/images/: English
# and Korean, wide (a drive with an RFID reader) and narrow (one without).
# Needs the default build (scripts/test.sh or scripts/run.sh makes it) and a
# Hangul font for the Korean pictures (fonts-nanum, installed by setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --build --preset default --target qx7config >/dev/null
qx7config=build/default/src/ui/program/qx7config
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/images

echo '{"drives": [{}]}' >"$work/wide.json"
echo '{"drives": [{"rfid_reader": false}]}' >"$work/narrow.json"

for lang in en ko; do
    case $lang in
        en) locale=C.UTF-8 ;;
        ko) locale=ko_KR.UTF-8 ;;
    esac
    for size in wide narrow; do
        out="docs/images/main-window-$lang-$size.png"
        # A private temporary folder keeps these runs apart from a window the
        # user has open (the single-instance socket lives there).
        TMPDIR="$work" LANG=$locale LC_ALL=$locale LANGUAGE=$lang QT_QPA_PLATFORM=offscreen \
            "$qx7config" --simulate "$work/$size.json" --no-update-check --grab "$out"
        echo "wrote $out"
    done
done
