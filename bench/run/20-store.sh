#!/bin/sh
# Settings store: the main window's four stores saved and restored through
# our profile layer beside the platform's profile functions (Wine).
set -eu
echo "== store_bench (Wine)"
"$WINE64" build/win64/bin/store_bench.exe
