#!/usr/bin/env bash
# One fuzz target for FUZZ_SECONDS (default 3): its corpus replayed first,
# then new inputs. CTest's fuzz tests and ./kal fuzz run it.
#   fuzz_run.sh TARGET CORPUS WORK
set -uo pipefail
target=$1 corpus=$2 work=$3
mkdir -p "$corpus" "$work"
log="$work.log"
"$target" -max_total_time="${FUZZ_SECONDS:-3}" -print_final_stats=1 "$work" "$corpus" >"$log" 2>&1
status=$?
if [ "$status" = 0 ]; then
    grep -E 'stat::number_of_executed_units' "$log"
else
    tail -60 "$log"
fi
exit "$status"
