#!/usr/bin/env bash
# The 32-bit and the 64-bit Windows builds give the very same floating-point
# results: their core tests print the same digest of every matrix and face a
# die passes through. Skipped where either cannot run here, or the 32-bit
# build has not been made.
#
#   windows_builds_agree.sh CORE_TESTS_32.exe PREFIX_32 CORE_TESTS_64.exe PREFIX_64
set -euo pipefail
wine_run=$(dirname "$0")/wine_run.sh
source "$(dirname "$0")/wine_skip.sh"

[ -f "$1" ] || { echo "SKIP: there is no 32-bit build's $1 to compare with"; exit 77; }
WINEARCH=win32 skip_unless_wine_runs "$1"

# Prints the digest the core tests of $1, run in prefix $2 as wide as $3, print.
digest() {
    WINEARCH=$3 bash "$wine_run" "$2" "$1" --gtest_filter='*Digest*' | sed -n 's/^floating-point digest: //p'
}
bits32=$(digest "$1" "$2" win32)
bits64=$(digest "$3" "$4" win64)
echo "32-bit: ${bits32:-none}; 64-bit: ${bits64:-none}"
[ -n "$bits32" ] && [ "$bits32" = "$bits64" ] || { echo "FAIL: the two builds' digests differ"; exit 1; }
echo "ok: both builds give $bits32"
