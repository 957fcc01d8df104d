#!/usr/bin/env bash
# Fails when clang-format would change a C++ file (the style in .clang-format).
#   scripts/check-format.sh         list the files that differ, show the diff, exit 1
#   scripts/check-format.sh --fix   rewrite them in place
# clang-format 14 (Debian 12) is the formatter of record: other versions lay
# some lines out differently, so it is preferred when several are installed.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$formatter" ]; then
    echo "check-format: clang-format is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    "$formatter" -i "${files[@]}"
    exit 0
fi

differing=()
for file in "${files[@]}"; do
    if ! "$formatter" "$file" | cmp -s - "$file"; then
        differing+=("$file")
    fi
done
if [ ${#differing[@]} -eq 0 ]; then
    echo "check-format: ${#files[@]} files follow .clang-format"
    exit 0
fi
for file in "${differing[@]}"; do
    "$formatter" "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" - || true
done
echo "check-format: ${#differing[@]} file(s) differ from .clang-format; run scripts/check-format.sh --fix" >&2
exit 1
