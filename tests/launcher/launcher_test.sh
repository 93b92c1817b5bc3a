#!/usr/bin/env bash
# The launcher's own decisions: whether this machine runs 32-bit code, and
# that suites it cannot run are counted as skipped, not passed or failed.
# Writes one "pass NAME" or "fail NAME" line a case to the file named.
set -uo pipefail
out=$1
# shellcheck source=../../kal
source "$(dirname "${BASH_SOURCE[0]}")/../../kal"
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

RESULTS=$(mktemp -d)
cat >"$RESULTS/win64-24.xml" <<'XML'
<testsuites tests="3" failures="1" disabled="0" errors="0">
  <testcase name="Draws" classname="A" result="completed"/>
  <testcase name="Breaks" classname="A" result="completed"><failure/></testcase>
  <testcase name="Child" classname="B" result="skipped"/>
</testsuites>
XML
echo "pass fuzz_a" >"$RESULTS/fuzz.txt"
skip_like win64 win32
RUN_FAILED=0
check "another architecture's suites count as skipped" \
    '[ "$(count_results)" = "2 passed, 1 failed, 4 skipped" ] &&
     grep -qx "skip i686 Breaks" "$RESULTS/win32-skipped.txt"'
rm -rf "$RESULTS"
! grep -q '^fail' "$out"
