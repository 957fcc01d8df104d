#!/usr/bin/env bash
# Lists the test files a Windows build leaves out, with the reason for each:
#   left out on Windows: <file>: <reason>
# Tests of the POSIX-only code (tests/<area>/posix/) and of the Linux back
# end (tests/platform/linux/) are not compiled for Windows. A file that
# tests something Windows lacks, rather than the POSIX code of a folder,
# says so in its first line: "// Needs <what Windows lacks>".
set -euo pipefail
cd "$(dirname "$0")/.."

shopt -s nullglob globstar
for file in tests/*/posix/**/*_test.cpp tests/platform/linux/**/*_test.cpp; do
    first_line=$(head -n 1 "$file")
    if [[ $first_line == "// Needs "* ]]; then
        reason=${first_line#// }
        reason=${reason%.}
    elif [[ $file == tests/platform/linux/* ]]; then
        reason="tests the Linux back end (src/platform/linux); Windows has its own"
    else
        area=${file#tests/}
        area=${area%%/*}
        reason="tests the POSIX code of src/$area/posix; Windows builds src/$area/win32 instead"
    fi
    echo "left out on Windows: $file: $reason"
done
