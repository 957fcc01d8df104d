#!/usr/bin/env bash
# Builds the plain Release configuration -- what `cmake -S . -B build
# -DCMAKE_BUILD_TYPE=Release` gives, with the compiler's -O3 -- with warnings
# as errors, so that the optimiser's warnings, which the presets' builds do
# not all see, keep failing CI. Only the libraries and programs: the tests
# run in the presets' builds.
#   scripts/build-release-check.sh [BUILD_DIR]   (default: build/release-check)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release-check}
started=$(date +%s)
echo "release-check: building the plain Release configuration in $build (warnings are errors)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX7_WERROR=ON -DQX7_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
echo "release-check: built in $(($(date +%s) - started)) s"
