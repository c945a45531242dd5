#!/bin/sh
# Tray animation cadence beside a plain UI timer, frame-step bursts after a
# stalled UI thread, drop handling and tray menu drawing (Wine only).
set -eu
echo "== shell_bench (Wine)"
"$WINE64" build/win64/bin/shell_bench.exe "$BENCH_SECONDS"
