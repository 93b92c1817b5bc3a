#!/usr/bin/env bash
# Builds the Windows benchmarks (release) and runs each under Wine in a
# virtual X server on a 24-bit screen.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="${KAL_BUILD_DIR:-$ROOT/build}/win32"

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD" -j 2 --target kal_win32_benches -- --no-print-directory >/dev/null

export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
cd "$BUILD/bin"
for exe in bench_win32_*.exe; do
    [ -e "$exe" ] || continue
    xvfb-run -a -s "-screen 0 1024x768x24" wine "$exe"
    wineserver -w
done
