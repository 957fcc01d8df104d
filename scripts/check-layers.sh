#!/usr/bin/env bash
# Fails when a source file includes a header of a higher layer: dependencies
# point down only, so there are no cycles between folders. The layers, lowest
# first (a folder may include its own headers and those of lower layers; the
# folders on one line do not include each other):
#   0 strings
#   1 transport
#   2 protocol
#   3 storage, updater
#   4 editor
#   5 app
#   6 platform (every operating system's back end), sim
#   7 helper, cli, ui/widgets
#   8 ui/window, ui/sim_panel
#   9 ui/dialogs
#  10 ui/shell
#  11 ui/program (the desktop program's main)
# Tests, fuzz targets, benchmarks and tools sit above all of them.
set -euo pipefail
cd "$(dirname "$0")/.."

layer_of() {
    case "$1" in
        strings) echo 0 ;;
        transport) echo 1 ;;
        protocol) echo 2 ;;
        storage | updater) echo 3 ;;
        editor) echo 4 ;;
        app) echo 5 ;;
        platform | sim) echo 6 ;;
        helper | cli | ui/widgets) echo 7 ;;
        ui/window | ui/sim_panel) echo 8 ;;
        ui/dialogs) echo 9 ;;
        ui/shell) echo 10 ;;
        ui/program | ui/app) echo 11 ;;
        *) echo "" ;;
    esac
}

# The folder a path below src/ belongs to: ui/<part>, platform (any OS) or
# the first folder.
folder_of() {
    local path=$1
    case "$path" in
        ui/*/*) path=${path#ui/}; echo "ui/${path%%/*}" ;;
        platform/*) echo platform ;;
        */*) echo "${path%%/*}" ;;
        *) echo "" ;;
    esac
}

problems=0
checked=0
while IFS= read -r file; do
    own=$(folder_of "${file#src/}")
    own_layer=$(layer_of "$own")
    if [ -z "$own_layer" ]; then
        echo "check-layers: $file is in a folder without a layer ($own); add it to scripts/check-layers.sh" >&2
        problems=$((problems + 1))
        continue
    fi
    checked=$((checked + 1))
    while IFS= read -r included; do
        target=$(folder_of "$included")
        [ -z "$target" ] && continue
        [ "$target" = "$own" ] && continue
        target_layer=$(layer_of "$target")
        [ -z "$target_layer" ] && continue  # a generated or third-party header
        if [ "$target_layer" -ge "$own_layer" ]; then
            echo "check-layers: $file ($own, layer $own_layer) includes \"$included\" ($target, layer $target_layer)" >&2
            problems=$((problems + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.cpp' 'src/*.h')

if [ "$problems" -ne 0 ]; then
    echo "check-layers: $problems include(s) against the layers" >&2
    exit 1
fi
echo "check-layers: $checked files include only their own folder and lower layers"
