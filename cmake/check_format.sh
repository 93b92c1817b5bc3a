#!/usr/bin/env bash
# Fails, naming the files, when a product or test source differs from what
# .clang-format makes of it.   check_format.sh [CLANG_FORMAT]
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
format=${1:-clang-format}
mapfile -t files < <(find engine host demo kalrender tools bench tests web/src web/bench \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) 2>/dev/null | sort)
[ "${#files[@]}" -gt 0 ] || { echo "no sources found under $ROOT"; exit 1; }
"$format" --version
# One run over every file; its complaints name the files ("file:line:col: error").
mapfile -t bad < <("$format" --dry-run -Werror "${files[@]}" 2>&1 |
    sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error.*/\1/p' | sort -u)
if [ "${#bad[@]}" -gt 0 ] || ! "$format" --dry-run -Werror "${files[@]}" >/dev/null 2>&1; then
    printf 'not formatted: %s\n' "${bad[@]}"
    echo "${#bad[@]} of ${#files[@]} files differ from .clang-format: run clang-format -i on them"
    exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
