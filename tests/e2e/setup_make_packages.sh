#!/bin/sh
# Builds the packages of the setup end-to-end tests with the native setuppack
# (built by the native preset) around the Windows stub, plus the bad-input
# cases, and cabextract's view of the outside test cabinets.
#   setup_make_packages.sh SOURCE_DIR STUB OUT_DIR SLEEPER
set -eu
src=$1
stub=$2
out=$3
sleeper=$4
pack=$src/build/native/bin/setuppack
data=$src/tests/e2e/setup_data
# The outside collection of cabinets: beside the checkout, or where
# MARROWBY_TESTDATA says.
cabs=""
for d in "${MARROWBY_TESTDATA:-}" "$src/../shared/testdata" /work/shared/testdata; do
  if [ -n "$d" ] && [ -d "$d/cabs" ]; then
    cabs=$d/cabs
    break
  fi
done
if [ ! -x "$pack" ]; then
  echo "error: $pack is missing; build the native preset first (scripts/build native)" >&2
  exit 1
fi
rm -rf "$out"
mkdir -p "$out/expected"
if [ -z "$cabs" ]; then
  echo "warning: the outside test cabinets (shared/testdata/cabs) are not here; their cases are skipped" >&2
  cabs=$out/no-outside-cabinets
  mkdir -p "$cabs"
fi
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

build() {
  "$pack" build --stub "$stub" "$@"
}

build -o "$out/basic.exe" --dir "$data/basic" --inf basic.inf --title "Marrowby Basic Test" \
  --welcome-file "$data/welcome.txt"
build -o "$out/advanced.exe" --dir "$data/advanced" --inf advanced.inf --advanced \
  --title "Marrowby Advanced Test" --welcome-file "$data/welcome.txt"
build -o "$out/auto.exe" --dir "$data/auto" --inf auto.inf
# The stub's manifest runs every package as its user, but an --admin one,
# whose copy of the stub setuppack rewrote to ask for administrative rights.
build -o "$out/admin.exe" --dir "$data/auto" --inf auto.inf --admin
if ! "$pack" info "$out/auto.exe" | grep -qx "execution level: asInvoker" ||
   ! "$pack" info "$out/admin.exe" | grep -q "^execution level: requireAdministrator "; then
  echo "error: the stub's execution levels are not what the packages asked for" >&2
  exit 1
fi
build -o "$out/licence.exe" --dir "$data/auto" --inf auto.inf --attended \
  --title "Marrowby Licence Test" --welcome-file "$data/welcome.txt" \
  --licence-file "$data/licence.txt" --notice-file "$data/notice.txt"
# A licence of 200 lines, longer than its box.
i=1
while [ $i -le 200 ]; do
  printf 'Licence line %d of the long test licence.\r\n' $i
  i=$((i + 1))
done > "$work/long-licence.txt"
build -o "$out/long-licence.exe" --dir "$data/auto" --inf auto.inf --attended \
  --title "Marrowby Long Licence Test" --welcome-file "$data/welcome.txt" \
  --licence-file "$work/long-licence.txt"
build -o "$out/hidden.exe" --dir "$data/auto" --inf auto.inf --attended --notice-hidden \
  --welcome-file "$data/welcome.txt" --notice-file "$data/notice.txt"
build -o "$out/scrambled.exe" --dir "$data/auto" --inf auto.inf --scramble-cabinet --attended \
  --welcome-file "$data/welcome.txt"

# Read-only files survive the Close step (and keep the folder).
mkdir "$work/readonly"
cp "$data/readonly/"* "$work/readonly/"
chmod 444 "$work/readonly/locked.txt"
build -o "$out/readonly.exe" --dir "$work/readonly" --inf readonly.inf --attended \
  --welcome-file "$data/welcome.txt"

# A split package with enough data for several parts.
mkdir "$work/multi"
cp "$data/auto/"* "$work/multi/"
head -c 150000 /dev/urandom > "$work/multi/random.bin"
build -o "$out/multi.exe" --dir "$work/multi" --inf auto.inf --compress none --split 40000 \
  --title "Marrowby Split Test" --attended --welcome-file "$data/welcome.txt"
cp "$work/multi/random.bin" "$out/expected/multi-random.bin"

# A file larger than the small full volume a test may give as TEMP.
mkdir "$work/full"
cp "$data/auto/"* "$work/full/"
head -c 150000 /dev/urandom > "$work/full/big.bin"
build -o "$out/full-disk.exe" --dir "$work/full" --inf auto.inf --attended \
  --welcome-file "$data/welcome.txt"

# The most parts there can be: the program and .001 to .255.
mkdir "$work/many"
cp "$data/auto/"* "$work/many/"
head -c 254000 /dev/urandom > "$work/many/random.bin"
build -o "$out/many.exe" --dir "$work/many" --inf auto.inf --compress none --split 1000 \
  --title "Marrowby Many Parts Test" --attended --welcome-file "$data/welcome.txt"
[ -f "$out/many.255" ] || { echo "error: many.exe was not split up to many.255" >&2; exit 1; }
cp "$work/many/random.bin" "$out/expected/many-random.bin"

# An installer that runs for a few seconds (advpack starts the sleeper), in a
# split package, so that a rebuilt package stands beside the INF and the
# payload while it runs.
mkdir "$work/slow"
cp "$data/slow/"* "$work/slow/"
cp "$sleeper" "$work/slow/marker.exe"
build -o "$out/slow.exe" --dir "$work/slow" --inf slow.inf --advanced --attended \
  --title "Marrowby Slow Test" --welcome-file "$data/welcome.txt" --split 60000
[ -f "$out/slow.001" ] || { echo "error: slow.exe was not split" >&2; exit 1; }

# An installer that leaves a file for Windows to replace at its next start.
build -o "$out/reboot.exe" --dir "$data/reboot" --inf reboot.inf

# Signed with a certificate made here: a package, the same with a byte after
# its signature, and a split package (signed in its first part).
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Marrowby Test Signer" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
build -o "$out/signed.exe" --dir "$data/auto" --inf auto.inf
"$pack" sign --cert "$work/cert.pem" --key "$work/key.pem" "$out/signed.exe" >/dev/null
cp "$out/signed.exe" "$out/signed-long.exe"
printf 'x' >> "$out/signed-long.exe"
mkdir "$work/signed-multi"
cp "$data/auto/"* "$work/signed-multi/"
head -c 100000 /dev/urandom > "$work/signed-multi/random.bin"
build -o "$out/signed-multi.exe" --dir "$work/signed-multi" --inf auto.inf --compress none \
  --split 70000
"$pack" sign --cert "$work/cert.pem" --key "$work/key.pem" "$out/signed-multi.exe" >/dev/null
cp "$work/signed-multi/random.bin" "$out/expected/signed-multi-random.bin"
if ! "$pack" info "$out/signed.exe" | grep -q "Marrowby Test Signer" ||
   ! "$pack" info "$out/signed-multi.exe" | grep -q "Marrowby Test Signer"; then
  echo "error: the signed packages carry no signature" >&2
  exit 1
fi

# One byte short, one byte long.
build -o "$out/short.exe" --dir "$data/auto" --inf auto.inf --welcome-file "$data/welcome.txt"
cp "$out/short.exe" "$out/long.exe"
truncate -s -1 "$out/short.exe"
printf 'x' >> "$out/long.exe"

python3 "$src/tests/e2e/setup_make_cases.py" "$stub" "$out" "$cabs" "$src/setup/package_key.h"

# What cabextract makes of every outside cabinet (whatever it could extract).
for cab in "$cabs"/*.cab; do
  [ -f "$cab" ] || continue
  name=$(basename "$cab" .cab)
  mkdir -p "$out/expected/$name"
  cabextract -q -d "$out/expected/$name" "$cab" >/dev/null 2>&1 || true
done
echo "setup packages ready in $out"
