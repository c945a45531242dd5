#!/bin/sh
# setupstub: extraction of a ~100 MB MSZIP package under Wine beside cabextract
# natively on the same cabinet; CPU used while the installer runs; image sizes.
set -eu
ROOT=$(pwd)
PACK=$ROOT/build/native/bin/setuppack
STUB=$ROOT/build/win64/bin/setupstub.exe
BENCH=$ROOT/build/win64/bin/setup_bench.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
elapsed() { python3 -c "print('%.2f' % ($2 - $1))"; }

echo "== setupstub image size"
for arch in win32 win64; do
  size=$(stat -c %s "build/$arch/bin/setupstub.exe")
  echo "setupstub_${arch}_bytes: $size (limit 28672; 20 KB is 20480)"
done

echo "== extraction of a ~100 MB MSZIP package: setupstub under Wine, cabextract natively"
mkdir "$work/data"
# Half incompressible, half text: ten files of 10 MB.
for i in 1 2 3 4 5; do
  head -c 10485760 /dev/urandom > "$work/data/random$i.bin"
  seq -f "line %012g of a compressible text file" 1 400000 | head -c 10485760 > "$work/data/text$i.txt"
done
printf '[Version]\r\nSignature="$Windows NT$"\r\n\r\n[DefaultInstall]\r\n' > "$work/data/bench.inf"
"$PACK" build -o "$work/extract.exe" --stub "$STUB" --dir "$work/data" --inf bench.inf
offset=$("$PACK" info "$work/extract.exe" | sed -n 's/^cabinet offset: //p')
tail -c +$((offset + 1)) "$work/extract.exe" > "$work/data.cab"
echo "package_bytes: $(stat -c %s "$work/extract.exe")"
mkdir "$work/out"
t0=$(now)
cabextract -q -d "$work/out" "$work/data.cab"
t1=$(now)
rm -rf "$work/out"
native=$(elapsed "$t0" "$t1")
echo "cabextract_native_seconds: $native"
# Measured from the start of the process (Wine start-up included) until the
# status text says the extraction is over.
line=$("$WINE64" "$BENCH" extract "$(winpath "$work/extract.exe")" | tr -d '\r')
echo "$line"
stub=$(echo "$line" | sed -n 's/^setupstub_extract_seconds: //p')
[ -n "$stub" ] && python3 -c "print('setupstub_to_cabextract_ratio: %.2f' % ($stub / $native))"

echo "== CPU of setupstub while its installer runs 5 s"
mkdir "$work/cpu"
cp build/win64/bin/marker.exe "$work/cpu/"
cat > "$work/cpu/bench.inf" <<'INF'
[Version]
Signature="$Windows NT$"
AdvancedINF=2.5

[DefaultInstall2.ntx86]
RunPostSetupCommands=Sleep

[DefaultInstallX]

[Sleep]
marker.exe NUL 5000
INF
"$PACK" build -o "$work/bench-cpu.exe" --stub "$STUB" --dir "$work/cpu" --inf bench.inf --advanced
"$WINE64" "$BENCH" cpu "$(winpath "$work/bench-cpu.exe")" 5 "$(winpath "$ROOT/build/win64/bin/marker.exe")" | tr -d '\r'
