#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what .clang-format makes of it, and names each such file.
# Usage: tools/check_format.sh [project folder]    (fix with: clang-format -i FILE)
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
formatter=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$formatter" ]; then
    echo "clang-format is not installed"
    exit 1
fi
mapfile -d '' files < <(find framework game platform tests tools bench fuzz \
    \( -name '*.cpp' -o -name '*.h' \) -not -path '*/fixtures/*' -print0 | sort -z)
# Batches in parallel; every difference is reported as "FILE:LINE:COL: ..." on standard error.
mapfile -t bad < <(printf '%s\0' "${files[@]}" |
    xargs -0 -n 40 -P "$(nproc 2>/dev/null || echo 2)" "$formatter" --style=file --dry-run 2>&1 |
    sed -nE 's/^([^:]+\.(cpp|h)):[0-9]+:[0-9]+: .*/\1/p' | sort -u)
if [ ${#bad[@]} -gt 0 ]; then
    echo "${#bad[@]} of ${#files[@]} files differ from .clang-format (clang-format -i FILE mends them):"
    printf '  %s\n' "${bad[@]}"
    exit 1
fi
echo "all ${#files[@]} files follow .clang-format"
