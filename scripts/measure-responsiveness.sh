#!/usr/bin/env bash
# Measures the longest time the window's user-interface thread goes without
# handling an event (the goal: never more than 100 ms). Needs the default
# build's tools (scripts/test.sh builds them).
#
#   scripts/measure-responsiveness.sh [LATENCY]
#       while the program reads and uploads to a simulated drive whose every
#       command takes LATENCY ms (default 2000)
#   scripts/measure-responsiveness.sh --import-dialog [TIMES] [FOLDER]
#       while the Import file dialog opens, TIMES times (default 5), in
#       FOLDER (default: the current folder; a big one such as /usr/bin
#       shows what listing costs)
#
# Offscreen by default; QT_QPA_PLATFORM=xcb under an X server measures what
# a desktop adds (window creation, the icon theme).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# Built from here; run from the caller's folder, where FOLDER is given.
(cd "$here" && cmake --build --preset default --target qx7_ui_responsiveness >/dev/null)
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$here/build/default/tests/ui/qx7_ui_responsiveness" "${@:-2000}"
