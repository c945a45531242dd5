#!/bin/sh
# schedmgr with 100 armed schedules beside none and beside a copy of it whose
# timers tick every second (the engine of old); its due-to-start delay beside
# the same copy's and beside Wine starting the item directly.
set -eu
echo "== schedmgr_bench (Wine)"
"$WINE64" build/win64/bin/schedmgr_bench.exe "${SCHEDMGR_BENCH_SECONDS:-60}"
