#!/bin/sh
# schedmgr with 100 armed schedules beside none, and its due-to-start delay.
set -eu
echo "== schedmgr_bench (Wine)"
"$WINE64" build/win64/bin/schedmgr_bench.exe "${SCHEDMGR_BENCH_SECONDS:-60}"
