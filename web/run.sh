#!/usr/bin/env bash
# The web viewer's build, server, browser tests, benchmark, npm package and
# JavaScript checks; ./kal calls it.
#   web/run.sh setup|build|serve|test RESULTS_FILE|bench|pack|test-package|format [--check]|lint
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="${KAL_BUILD_DIR:-$ROOT/build}"
WEB_BUILD="$BUILD/web"
# Emscripten's optimiser runs on Node and needs Debian's acorn from the
# shared module folder.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

say() { printf 'kal: %s\n' "$*" >&2; }

# puppeteer-core, prettier and eslint as the lockfile pins them; never a
# browser download.
setup() {
    local modules="$ROOT/web/node_modules"
    if [ -f "$modules/.package-lock.json" ] && [ ! "$ROOT/web/package-lock.json" -nt "$modules/.package-lock.json" ]; then
        return 0
    fi
    command -v npm >/dev/null || { say "no npm: install Node.js 18 or later"; return 1; }
    say "installing the web viewer's Node packages"
    (cd "$ROOT/web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >&2)
}

# The page's modules (the second over shared memory) and the samples;
# `build bench` adds the benchmark's module.
build() {
    local targets=(kalvoria kalvoria_shared kal_samples)
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

# The npm package, staged under the build folder with the built module (the
# source tree is never written): its tarball goes into the build folder and
# its name is printed on stdout.
pack() {
    build >&2 || return 1
    local stage="$WEB_BUILD/package" listing out
    command -v npm >/dev/null || { say "no npm: install Node.js 18 or later"; return 1; }
    out=$(cd "$BUILD" && pwd)
    rm -rf "$stage" && mkdir -p "$stage"
    # npm takes what "files" names from the copy; web/'s own prepack only
    # stops a pack there, so the staged manifest has no scripts.
    tar -C "$ROOT/web" --exclude=./node_modules -cf - . | tar -C "$stage" -xf -
    cp "$WEB_BUILD/kalvoria.wasm" "$WEB_BUILD/kalvoria_shared.wasm" "$ROOT/LICENSE" "$stage/"
    node -e 'const fs = require("fs"), file = process.argv[1], pkg = JSON.parse(fs.readFileSync(file, "utf8"));
        delete pkg.scripts;
        fs.writeFileSync(file, JSON.stringify(pkg, null, 2) + "\n");' "$stage/package.json"
    listing=$(cd "$stage" && npm pack --json --pack-destination "$out" --loglevel=error) || return 1
    node -e 'const [packed] = JSON.parse(process.argv[1]), names = new Set(packed.files.map((f) => f.path));
        const missing = ["kalvoria.wasm", "kalvoria_shared.wasm", "LICENSE", "README.md", "package.json"].filter((name) => !names.has(name));
        if (missing.length) { console.error(`kal: the package lacks ${missing.join(", ")}`); process.exit(1); }
        console.error(`kal: packed ${packed.entryCount} files, ${packed.size} bytes`);
        console.log(process.argv[2] + "/" + packed.filename);' "$listing" "$out"
}

# Packs, installs the tarball into an empty folder and opens a page from it.
test_package() {
    local tarball
    setup && tarball=$(pack) || return 1
    ASAN_OPTIONS=detect_leaks=0 timeout 300 node "$ROOT/tests/package/package_test.mjs" "$tarball" "$WEB_BUILD"
}

# The JavaScript the formatter and the linter keep, from the root: the
# viewer's modules, its tools and the browser tests; the formatter also
# takes the type declarations.
js_files() {
    cd "$ROOT"
    shopt -s nullglob
    JS_LINTED=(web/*.js web/tools/*.mjs tests/web/*.mjs tests/package/*.mjs)
    JS_FORMATTED=("${JS_LINTED[@]}" web/*.d.ts tests/web/*.ts)
}

node_tool() {  # name: its path in web/node_modules, or a failure naming the fix
    local tool="$ROOT/web/node_modules/.bin/$1"
    [ -x "$tool" ] || { say "no $1: run web/run.sh setup (./kal setup does)"; return 1; }
    echo "$tool"
}

# Rewrites the files as prettier prints them; --check only names those that differ.
format() {
    local prettier
    prettier=$(node_tool prettier) || return 1
    js_files
    if [ "${1:-}" = --check ]; then
        "$prettier" --config web/.prettierrc.json --check "${JS_FORMATTED[@]}" ||
            { say "web/run.sh format rewrites them"; return 1; }
    else
        "$prettier" --config web/.prettierrc.json --write --log-level warn "${JS_FORMATTED[@]}"
    fi
}

lint() {
    local eslint
    eslint=$(node_tool eslint) || return 1
    js_files
    "$eslint" --config web/eslint.config.js --max-warnings 0 "${JS_LINTED[@]}" &&
        echo "${#JS_LINTED[@]} files pass eslint"
}

case "${1:-}" in
    setup) setup ;;
    build) build ;;
    serve) serve ;;
    test) run_tests "${2:?results file}" ;;
    bench) bench ;;
    pack) pack ;;
    test-package) test_package ;;
    format) format "${2:-}" ;;
    lint) lint ;;
    *) echo "usage: web/run.sh setup|build|serve|test RESULTS_FILE|bench|pack|test-package|format [--check]|lint" >&2; exit 2 ;;
esac
