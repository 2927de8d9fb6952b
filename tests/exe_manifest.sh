#!/usr/bin/env bash
# The exe carries its application manifest where Windows looks for it, as
# resource 1 of type 24 (RT_MANIFEST), and asks to run with the rights of
# whoever starts it, so that Windows neither elevates it nor redirects the
# files it writes.
#
#   exe_manifest.sh Kubrask.exe OBJDUMP
set -euo pipefail

exe=$1 objdump=$2
"$objdump" -p "$exe" | grep -A2 "Entry: ID: 0x000018," | grep -q "Entry: ID: 0x000001," ||
    { echo "FAIL: $exe has no manifest resource 1"; exit 1; }
level=$(grep -a -o 'requestedExecutionLevel level="[^"]*"' "$exe")
[ "$level" = 'requestedExecutionLevel level="asInvoker"' ] || { echo "FAIL: the manifest asks for ${level:-nothing}"; exit 1; }
echo "ok: manifest 1, asInvoker"
