#!/usr/bin/env bash
# Builds the project and runs every test under ctest.
#   scripts/test.sh             release build with debug info (build/default),
#                               then the packaging checks (scripts/check-packaging.sh,
#                               scripts/check-deb.sh: the Debian package)
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
if [ "${1:-}" = "--sanitize" ]; then
    preset=asan
fi

cmake --preset "$preset"
echo "test: building everything in build/$preset (the first build takes several minutes)"
cmake --build --preset "$preset" --parallel "$(nproc)"
ctest --preset "$preset" --parallel "$(nproc)"
if [ "$preset" = default ]; then
    bash scripts/check-packaging.sh "build/$preset"
    bash scripts/check-deb.sh "build/$preset"
fi
