#!/bin/sh
# setupstub: extraction throughput of two package sizes under Wine beside
# cabextract natively on the same cabinets, where the stub's own time goes;
# CPU used while the installer runs; image sizes.
set -eu
ROOT=$(pwd)
PACK=$ROOT/build/native/bin/setuppack
STUB=$ROOT/build/win64/bin/setupstub.exe
BENCH=$ROOT/build/win64/bin/setup_bench.exe
mkdir -p "$ROOT/build"
work=$(mktemp -d "$ROOT/build/bench-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
elapsed() { python3 -c "print('%.2f' % ($2 - $1))"; }

echo "== setupstub image size"
for arch in win32 win64; do
  size=$(stat -c %s "build/$arch/bin/setupstub.exe")
  echo "setupstub_${arch}_bytes: $size (limit 28672; 20 KB is 20480)"
done

# Extraction throughput apart from process start: packages of two sizes
# (half incompressible, half text, in 10 MB files, MSZIP), each extracted by
# setupstub under Wine (from process start until the status text says the
# extraction is over) and by cabextract natively from the same cabinet; the
# line through the two points gives the slope (MB/s of package content) and
# the intercept (start-up, ms). Sizes: SETUP_BENCH_MB (default "50 500").
sizes=${SETUP_BENCH_MB:-50 500}
make_data() {  # DIR MB
  mkdir -p "$1"
  i=0
  while [ $i -lt $(($2 / 10)) ]; do
    if [ $((i % 2)) -eq 0 ]; then
      head -c 10485760 /dev/urandom > "$1/random$i.bin"
    else
      seq -f "line %012g of a compressible text file" 1 400000 | head -c 10485760 > "$1/text$i.txt"
    fi
    i=$((i + 1))
  done
  printf '[Version]\r\nSignature="$Windows NT$"\r\n\r\n[DefaultInstall]\r\n' > "$1/bench.inf"
}
best() { python3 -c "import sys; print('%.3f' % min(float(x) for x in sys.argv[1:]))" "$@"; }
# Wine's first program start in a prefix is slower than the later ones.
"$WINE64" "$BENCH" >/dev/null 2>&1 || true
points=""
for mb in $sizes; do
  echo "== extraction of a $mb MB MSZIP package: setupstub under Wine, cabextract natively"
  make_data "$work/data$mb" "$mb"
  "$PACK" build -o "$work/extract$mb.exe" --stub "$STUB" --dir "$work/data$mb" --inf bench.inf
  rm -rf "$work/data$mb"
  offset=$("$PACK" info "$work/extract$mb.exe" | sed -n 's/^cabinet offset: //p')
  tail -c +$((offset + 1)) "$work/extract$mb.exe" > "$work/data$mb.cab"
  echo "package_${mb}mb_bytes: $(stat -c %s "$work/extract$mb.exe")"
  runs_native="" runs_stub=""
  for run in 1 2 3 4 5; do
    mkdir "$work/out"
    t0=$(now)
    cabextract -q -d "$work/out" "$work/data$mb.cab"
    t1=$(now)
    rm -rf "$work/out"
    runs_native="$runs_native $(elapsed "$t0" "$t1")"
    line=$("$WINE64" "$BENCH" extract "$(winpath "$work/extract$mb.exe")" | tr -d '\r')
    stub=$(echo "$line" | sed -n 's/^setupstub_extract_seconds: //p')
    [ -n "$stub" ] || { echo "error: $line"; exit 1; }
    runs_stub="$runs_stub $stub"
  done
  native=$(best $runs_native)
  stub=$(best $runs_stub)
  echo "cabextract_native_${mb}mb_seconds: $native (best of:$runs_native)"
  echo "setupstub_extract_${mb}mb_seconds: $stub (best of:$runs_stub; from process start)"
  echo "-- where the stub's extraction time goes ($mb MB, in-process, best of 6)"
  profile=$("$WINE64" "$BENCH" profile "$(winpath "$work/extract$mb.exe")" \
    "$(winpath "$work/data$mb.cab")" "$(winpath "$work/profile")" | tr -d '\r')
  echo "$profile"
  inproc=$(echo "$profile" | sed -n 's/^inprocess_stub_extract_ms: //p')
  [ -n "$inproc" ] || exit 1
  points="$points $mb:$stub:$native:$inproc"
  rm -rf "$work/profile" "$work/data$mb.cab" "$work/extract$mb.exe"
done
echo "== throughput apart from process start (line through the two sizes; MB of files)"
python3 - $points <<'PY'
import sys
pts = [tuple(float(v) for v in p.split(":")) for p in sys.argv[1:]]
(m1, s1, n1, i1), (m2, s2, n2, i2) = pts[0], pts[-1]
rows = (("setupstub", s1, s2, "from process start, under Wine"),
        ("setupstub_inprocess", i1 / 1000, i2 / 1000, "extraction alone, under Wine"),
        ("cabextract", n1, n2, "native"))
for name, t1, t2, what in rows:
    slope = (m2 - m1) / (t2 - t1)
    print("%s_slope_mb_per_s: %.1f (%s)" % (name, slope, what))
    print("%s_intercept_ms: %.0f" % (name, (t1 - m1 / slope) * 1000))
PY

echo "== CPU of setupstub while its installer runs 3 s"
# The slow installer of the end-to-end tests: advpack runs the sleeper 3 s.
mkdir "$work/cpu"
cp build/win64/bin/marker.exe tests/e2e/setup_data/slow/slow.inf "$work/cpu/"
"$PACK" build -o "$work/bench-cpu.exe" --stub "$STUB" --dir "$work/cpu" --inf slow.inf --advanced
"$WINE64" "$BENCH" cpu "$(winpath "$work/bench-cpu.exe")" 3 "$(winpath "$ROOT/build/win64/bin/marker.exe")" | tr -d '\r'
