#!/bin/sh
# 100 armed slots: wake-ups and CPU per second, and the delay from a due moment
# to the launch call; our host beside the engine that ticks every slot once a
# second and beside one system timer per slot.
set -eu
echo "== scheduler_bench (native)"
build/native/bin/scheduler_bench "$BENCH_SECONDS"
echo "== scheduler_bench (Wine)"
"$WINE64" build/win64/bin/scheduler_bench.exe "$BENCH_SECONDS"
