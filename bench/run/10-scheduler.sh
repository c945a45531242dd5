#!/bin/sh
# 100 armed slots: wake-ups and CPU per second, beside one system timer per slot.
set -eu
echo "== scheduler_bench (native)"
build/native/bin/scheduler_bench "$BENCH_SECONDS"
echo "== scheduler_bench (Wine)"
"$WINE64" build/win64/bin/scheduler_bench.exe "$BENCH_SECONDS"
