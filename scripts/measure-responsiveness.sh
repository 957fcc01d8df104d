#!/usr/bin/env bash
# Measures the longest time the window's user-interface thread goes without
# handling an event while the program reads and uploads to a simulated drive
# whose every command takes LATENCY ms (default 2000). Needs the default
# build's tools (scripts/test.sh builds them).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset default --target qx7_ui_responsiveness >/dev/null
QT_QPA_PLATFORM=offscreen build/default/tests/ui/qx7_ui_responsiveness "${1:-2000}"
