#!/usr/bin/env bash
# The launcher's own decisions: whether this machine runs 32-bit code, that
# suites it cannot run count as skipped, and that a failed step stops a run.
# Prints one "pass NAME" or "fail NAME" line a case (also to FILE if named).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$(mktemp)}
# shellcheck source=../../kal
source "$here/../../kal"
set +e
: >"$out"
check() {  # name, condition
    if eval "$2"; then echo "pass launcher: $1"; else echo "fail launcher: $1"; fi >>"$out"
}

NO_32BIT_REASON="" KAL_NO_32BIT=1
check "the switch makes any machine a 64-bit-only one" \
    '! probe_32bit && [[ $NO_32BIT_REASON == *KAL_NO_32BIT=1* ]] && [ "$(runnable_arches)" = win64 ]'

NO_32BIT_REASON="" KAL_NO_32BIT=0
if [ -e /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1 && ! i386_emulator >/dev/null
then runs=1; else runs=0; fi
check "the probe agrees with Wine's 32-bit loader" \
    '{ probe_32bit && [ $runs = 1 ] && [ "$(runnable_arches)" = "win32 win64" ]; } ||
     { [ $runs = 0 ] && ! probe_32bit && [ -n "$NO_32BIT_REASON" ]; }'

KAL_BINFMT_DIR=$(mktemp -d) NO_32BIT_REASON=""
entry() {  # file, first line, machine
    printf '%s\ninterpreter /bin/qemu\nmagic 7f454c460101010000000000000000000200%s00\n' "$2" "$3" \
        >"$KAL_BINFMT_DIR/$1"
}
entry arm enabled 28 && entry off disabled 03 && off=$(i386_emulator) && off=found
entry i386 enabled 03
check "an enabled i386 binfmt entry, and only that, counts as no 32-bit code" \
    '[ -z "$off" ] && [ "$(i386_emulator)" = /bin/qemu ] &&
     { [ ! -e /usr/lib/wine/wine ] || { ! probe_32bit && [[ $NO_32BIT_REASON == *emulator* ]]; }; }'
rm -rf "$KAL_BINFMT_DIR"
unset KAL_BINFMT_DIR

scratch=$(mktemp -d)
cat >"$scratch/junit.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)"
	tests="5"
	failures="1"
	disabled="1"
	skipped="2"
	hostname=""
	time="3"
	>
  <testcase name="native.A.Draws" classname="native.A.Draws" time="0.1" status="run"/>
  <testcase name="native.A.Breaks" classname="native.A.Breaks" time="0.1" status="fail"/>
  <testcase name="win32.screen24" classname="win32.screen24" time="0" status="notrun"/>
  <testcase name="win32.screen8" classname="win32.screen8" time="0" status="notrun"/>
  <testcase name="native.A.DISABLED_Off" classname="x" time="0" status="disabled"/>
</testsuite>
XML
check "the summary comes from CTest's results, skipped tests apart" \
    '[ "$(count_results "$scratch/junit.xml")" = "1 passed, 1 failed, 3 skipped" ] &&
     ! count_results "$scratch/junit.xml" >/dev/null'
check "no results is a failure, not an empty pass" '! count_results "$scratch/none.xml" >/dev/null'

# A configure that fails must stop the run before stale binaries are tested:
# the build root holds a passing test from "an earlier build".
mkdir -p "$scratch/bin" "$scratch/build/native"
printf '#!/bin/sh\ncase " $* " in *" -S "*) echo "configure broken" >&2; exit 1;; esac\nexec %s "$@"\n' \
    "$(command -v cmake)" >"$scratch/bin/cmake"
chmod +x "$scratch/bin/cmake"
echo 'add_test(stale_pass true)' >"$scratch/build/native/CTestTestfile.cmake"
for command in build test; do
    log=$(PATH="$scratch/bin:$PATH" KAL_BUILD_DIR="$scratch/build" bash "$here/../../kal" "$command" 2>&1)
    status=$?
    check "a failed configure fails ./kal $command, naming the step" \
        '[ "$status" != 0 ] && [[ $log == *"failed: configuring the native build"* ]] &&
         [[ $log != *" passed, "* ]]'
done
rm -rf "$scratch"
cat "$out"
! grep -q '^fail' "$out"
