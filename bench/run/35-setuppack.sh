#!/bin/sh
# setuppack's memory: peak resident size (and time) of building a package of
# 200 MB of files, beside gcab, the command of the same cabinet library,
# packing the same files; the same build under a 256 MB address-space limit;
# 2.5 GB of files (over the format's limit: refused before anything is read)
# and 2 GB of files (under it: built) under that limit; info, check and
# extract of the 200 MB package. The big inputs are sparse files.
set -eu
ROOT=$(pwd)
PACK=$ROOT/build/native/bin/setuppack
mkdir -p "$ROOT/build"
work=$(mktemp -d "$ROOT/build/bench-setuppack.XXXXXX")
trap 'rm -rf "$work"' EXIT
LIMIT=268435456

# A 32-bit image for the stub's place (its contents do not matter here).
python3 -c "
b = bytearray(4096); b[0:2] = b'MZ'; b[0x3C] = 0x40; b[0x40:0x44] = b'PE\0\0'
open('$work/stub.exe', 'wb').write(b)"
inf='[Version]\r\nSignature="$Windows NT$"\r\n\r\n[DefaultInstall]\r\n'

# PEAK_KB SECONDS of a command, from /usr/bin/time.
measure() {
  /usr/bin/time -f '%M %e' -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
    cat "$work/err" "$work/time" >&2
    return 1
  }
  tail -n 1 "$work/time"
}
show() {  # NAME PEAK_KB SECONDS [NOTE]
  echo "$1_peak_rss_kb: $2 ($3 s)${4:+ $4}"
}

echo "== 200 MB of files (half random, half text, in 20 MB files), MSZIP"
mkdir "$work/in200"
i=0
while [ $i -lt 10 ]; do
  if [ $((i % 2)) -eq 0 ]; then
    head -c 20971520 /dev/urandom > "$work/in200/random$i.bin"
  else
    seq -f "line %012g of a compressible text file" 1 600000 | head -c 20971520 > "$work/in200/text$i.txt"
  fi
  i=$((i + 1))
done
printf "$inf" > "$work/in200/bench.inf"
set -- $(measure "$PACK" build -o "$work/p200.exe" --stub "$work/stub.exe" --inf bench.inf --dir "$work/in200")
show setuppack_build_200mb "$1" "$2"
(cd "$work/in200" && set -- $(measure gcab -c -z "$work/g200.cab" ./*) && show gcab_create_200mb_baseline "$1" "$2")
set -- $(measure prlimit --as=$LIMIT "$PACK" build -o "$work/q200.exe" --stub "$work/stub.exe" --inf bench.inf --dir "$work/in200" --split 50000000)
show setuppack_build_200mb_split_under_256mb_limit "$1" "$2" "(ok)"
for cmd in info check; do
  set -- $(measure "$PACK" $cmd "$work/q200.exe")
  show setuppack_${cmd}_200mb "$1" "$2"
done
set -- $(measure "$PACK" extract "$work/q200.exe" "$work/out200")
show setuppack_extract_200mb "$1" "$2"
set -- $(measure cabextract -q -d "$work/out-cabextract" "$work/g200.cab")
show cabextract_200mb_baseline "$1" "$2"
rm -rf "$work/in200" "$work/out200" "$work/out-cabextract" "$work"/[pq]200.* "$work/g200.cab"

echo "== 2.5 GB of files: more than a cabinet's one folder holds (sparse files)"
mkdir "$work/in2500"
printf "$inf" > "$work/in2500/bench.inf"
for i in 0 1 2 3 4; do truncate -s 536870912 "$work/in2500/part$i.bin"; done
if prlimit --as=$LIMIT /usr/bin/time -f '%M %e' -o "$work/time" "$PACK" build -o "$work/p2500.exe" \
    --stub "$work/stub.exe" --inf bench.inf --dir "$work/in2500" 2>"$work/err"; then
  echo "error: 2.5 GB of files were accepted" >&2
  exit 1
fi
set -- $(tail -n 1 "$work/time")
show setuppack_refuse_2500mb_under_256mb_limit "$1" "$2" "($(sed 's/^setuppack: //' "$work/err" | cut -c1-60)...)"
rm -rf "$work/in2500"

echo "== 2 GB of files, just under the limit, MSZIP (sparse: zeros)"
mkdir "$work/in2000"
printf "$inf" > "$work/in2000/bench.inf"
for i in 0 1 2 3; do truncate -s 536000000 "$work/in2000/part$i.bin"; done
set -- $(measure prlimit --as=$LIMIT "$PACK" build -o "$work/p2000.exe" --stub "$work/stub.exe" --inf bench.inf --dir "$work/in2000")
show setuppack_build_2000mb_under_256mb_limit "$1" "$2" "($(stat -c %s "$work/p2000.exe") bytes)"
set -- $(measure "$PACK" check "$work/p2000.exe")
show setuppack_check_2000mb "$1" "$2"
