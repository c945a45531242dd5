#!/bin/sh
# Builds the fuzz targets with clang and runs each for a while on a working
# copy of its corpus (new inputs land in build/fuzz/work/, not in the tree).
#   tests/fuzz/run.sh [seconds per target]      (default 60)
# FUZZ_TARGETS="main_form" runs only the targets named.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_EACH=${1:-60}
BUILD=$ROOT/build/fuzz
cmake -S "$ROOT/tests/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD" -j2
for t in ${FUZZ_TARGETS:-profile restore main_form schedule_model}; do
  work=$BUILD/work/$t
  mkdir -p "$work"
  cp "$ROOT/tests/fuzz/corpus/$t/"* "$work/" 2>/dev/null || true
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  "$BUILD/fuzz_$t" -max_total_time="$SECONDS_EACH" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$BUILD/" -print_final_stats=1 "$work"
done
