#!/usr/bin/env bash
# Runs one Windows program under Wine inside a fresh Xvfb screen: CTest's
# emulator for the cross builds. Sourced (by ./kal), it only defines the
# 32-bit probe and the Wine set-up the launcher shares.
#   wine_run.sh ARCH PROGRAM [ARGS...]   (ARCH win32 or win64; screen depth
#   from KAL_SCREEN_DEPTH, default 24; prefix KAL_WINEPREFIX or ../wineprefix)

# Exit status CTest counts as "skipped" for the Windows tests.
KAL_SKIP_STATUS=77

arch_label() { [ "$1" = win64 ] && echo x86-64 || echo i686; }

# The interpreter of an enabled binfmt_misc entry that takes i386 ELF
# programs (ELF class 1, machine 3): on such a machine 32-bit code runs only
# under an emulator.
i386_emulator() {
    local entry magic
    for entry in "${KAL_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}"/*; do
        [ -f "$entry" ] && [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        [[ $magic == 7f454c4601* && ${magic:36:4} == 0300 ]] || continue
        sed -n 's/^interpreter //p' "$entry"
        return 0
    done
    return 1
}

# Some machines run a kernel without a 32-bit user mode: every i386 program,
# Wine's 32-bit loader among them, fails with "Exec format error". Where an
# emulator stands in, Wine starts but is far too slow and crashes in the
# Windows tests, so that counts as no 32-bit code. Asked once per process;
# KAL_NO_32BIT=1 makes any machine answer as such a machine does.
NO_32BIT_REASON=""
probe_32bit() {
    [ -n "$NO_32BIT_REASON" ] && return 1
    local emulator
    if [ "${KAL_NO_32BIT:-0}" = 1 ]; then
        NO_32BIT_REASON="KAL_NO_32BIT=1 is set"
    elif [ ! -e /usr/lib/wine/wine ]; then
        NO_32BIT_REASON="Wine's 32-bit loader (/usr/lib/wine/wine) is not installed"
    elif emulator=$(i386_emulator); then
        NO_32BIT_REASON="this machine runs 32-bit code only under an emulator ($emulator, through binfmt_misc), too slow and unstable for Wine"
    elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        NO_32BIT_REASON="this machine cannot execute 32-bit code (Wine's 32-bit loader fails: $(
            /usr/lib/wine/wine --version 2>&1 | tail -n 1 | sed 's/^.*: //'))"
    else
        return 0
    fi
    return 1
}

# The architectures whose Windows programs this machine runs.
runnable_arches() {
    if probe_32bit; then echo win32 win64; else echo win64; fi
}

# Wine set-up for one architecture and prefix: quiet, and no wineserver left
# talking to a display that is gone. Sets WINE to the loader: the wrapper
# picks the 32-bit one whenever it is installed, so 64-bit programs are
# started by the 64-bit loader directly.
wine_env() {  # arch, prefix
    export WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=C.UTF-8
    if [ "$1" = win64 ]; then
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
        WINE=/usr/lib/wine/wine64
    else
        unset WINEARCH WINELOADER
        WINE=wine
    fi
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    if [ ! -d "$WINEPREFIX/drive_c" ]; then
        printf 'kal: creating the %s Wine prefix\n' "$(arch_label "$1")" >&2
        "$WINE" wineboot.exe -i >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
}

# Runs a command inside a fresh virtual X server of the given depth. The
# search for a free display starts at a random number, so that runs started
# side by side do not race for the same one.
in_xvfb() {
    local depth=$1
    shift
    xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1024x768x$depth" "$@"
}

[ "${BASH_SOURCE[0]}" = "$0" ] || return 0

set -uo pipefail
arch=${1:?usage: wine_run.sh ARCH PROGRAM [ARGS...]}
program=${2:?usage: wine_run.sh ARCH PROGRAM [ARGS...]}
shift 2
if [ "$arch" = win32 ] && ! probe_32bit; then
    echo "kal: $NO_32BIT_REASON: the i686 Windows tests are skipped"
    exit "$KAL_SKIP_STATUS"
fi
bin=$(cd "$(dirname "$program")" && pwd)
wine_env "$arch" "${KAL_WINEPREFIX:-$(dirname "$bin")/wineprefix}"
# Programs find their DLL and data beside them, whatever CTest's folder is.
cd "$bin" || exit 1
in_xvfb "${KAL_SCREEN_DEPTH:-24}" "$WINE" "$(basename "$program")" "$@"
status=$?
wineserver -w >/dev/null 2>&1
exit "$status"
