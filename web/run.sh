#!/usr/bin/env bash
# The web viewer's build, server, browser tests and benchmark; ./kal calls it.
#   web/run.sh setup|build|serve|test RESULTS_FILE|bench
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="${KAL_BUILD_DIR:-$ROOT/build}"
WEB_BUILD="$BUILD/web"
# Emscripten's optimiser runs on Node and needs Debian's acorn from the
# shared module folder.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

say() { printf 'kal: %s\n' "$*" >&2; }

# puppeteer-core as the lockfile pins it; never a browser download.
setup() {
    local modules="$ROOT/web/node_modules"
    if [ -f "$modules/.package-lock.json" ] && [ ! "$ROOT/web/package-lock.json" -nt "$modules/.package-lock.json" ]; then
        return 0
    fi
    command -v npm >/dev/null || { say "no npm: install Node.js 18 or later"; return 1; }
    say "installing the web viewer's Node packages"
    (cd "$ROOT/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >&2)
}

# The page's module and the samples; `build bench` adds the benchmark's module.
build() {
    local targets=(kalvoria kal_samples)
    [ "${1:-}" = bench ] && targets+=(kalvoria_bench)
    command -v emcmake >/dev/null || { say "no emscripten: run ./kal setup"; return 1; }
    # emcmake announces its cmake line on stderr; only failures matter.
    local log="$BUILD/web-configure.log"
    mkdir -p "$BUILD"
    emcmake cmake -S "$ROOT" -B "$WEB_BUILD" -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1 ||
        { cat "$log" >&2; return 1; }
    cmake --build "$WEB_BUILD" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" -- --no-print-directory
    say "built $WEB_BUILD/kalvoria.wasm ($(stat -c %s "$WEB_BUILD/kalvoria.wasm") bytes, $(gzip -9c "$WEB_BUILD/kalvoria.wasm" | wc -c) gzipped)"
}

serve() {
    setup && build
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec node "$ROOT/web/tools/serve.mjs" "$WEB_BUILD" "${KAL_WEB_PORT:-8080}"
    fi
    local shot="$BUILD/web-screenshot.png"
    say "no display: saving a headless screenshot"
    rm -f "$shot"
    timeout 120 node "$ROOT/web/tools/screenshot.mjs" "$WEB_BUILD" "$shot"
    [ -f "$shot" ] || { say "no screenshot was taken"; return 1; }
    say "screenshot saved to $shot"
}

# Browser tests; their pass/fail lines go to the results file. Every way of
# not running them is a fail line, never silence.
run_tests() {
    local results=$1 kalrender="$BUILD/native/kalrender"
    : >"$results"
    if ! setup; then
        echo "fail web: puppeteer-core installs (npm ci in web/)" >>"$results"
        return 1
    fi
    if ! build; then
        echo "fail web: the WebAssembly module builds" >>"$results"
        return 1
    fi
    if [ ! -x "$kalrender" ]; then
        echo "fail web: the native kalrender is there to compare with ($kalrender)" >>"$results"
        return 1
    fi
    say "running the browser tests (headless Chromium)"
    : >"$WEB_BUILD/browser_test.log"
    # Every tests/web/*_test.mjs takes the same two arguments and prints its
    # own pass/fail lines.
    local status=0 suite
    for suite in "$ROOT"/tests/web/*_test.mjs; do
        ASAN_OPTIONS=detect_leaks=0 timeout 300 node "$suite" "$WEB_BUILD" "$kalrender" \
            >>"$results" 2>>"$WEB_BUILD/browser_test.log" || status=$?
    done
    cat "$results" >&2
    if [ "$status" != 0 ] && ! grep -q '^fail ' "$results"; then
        echo "fail web: the browser tests ended with status $status" >>"$results"
        tail -20 "$WEB_BUILD/browser_test.log" >&2
    fi
    return "$status"
}

bench() {
    local timer="$BUILD/bench/kalweb_render_timer"
    setup && build bench
    [ -x "$timer" ] || { say "no $timer: the release build makes it"; return 1; }
    timeout 900 node "$ROOT/web/tools/bench.mjs" "$WEB_BUILD" "$timer"
}

case "${1:-}" in
    setup) setup ;;
    build) build ;;
    serve) serve ;;
    test) run_tests "${2:?results file}" ;;
    bench) bench ;;
    *) echo "usage: web/run.sh setup|build|serve|test RESULTS_FILE|bench" >&2; exit 2 ;;
esac
