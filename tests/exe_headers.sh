#!/usr/bin/env bash
# What the Windows executable says of itself, read from the file, so that it
# is checked wherever it is built, whatever this machine can run:
# - it is built for the processor of its build (i386 or x86-64);
# - it is a windowed program (the GUI subsystem), not a console one;
# - it carries its application manifest where Windows looks for it, as
#   resource 1 of type 24 (RT_MANIFEST), asking to run with the rights of
#   whoever starts it, so that Windows neither elevates it nor redirects the
#   files it writes;
# - it needs no library that Windows does not bring: the compiler's own
#   runtime is linked in.
#
#   exe_headers.sh Kubrask.exe OBJDUMP win32|win64
set -euo pipefail

exe=$1 objdump=$2 windows=$3
headers=$("$objdump" -p "$exe")
fail() { echo "FAIL: $exe $*"; exit 1; }

case $windows in
    win32) format=pei-i386 ;;
    win64) format=pei-x86-64 ;;
esac
grep -q "file format $format\$" <<<"$headers" || fail "is not $format: $(grep -o 'file format .*' <<<"$headers")"
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" || fail "is not a windowed program: $(grep '^Subsystem' <<<"$headers")"

grep -A2 "Entry: ID: 0x000018," <<<"$headers" | grep -q "Entry: ID: 0x000001," || fail "has no manifest resource 1"
level=$(grep -a -o 'requestedExecutionLevel level="[^"]*"' "$exe")
[ "$level" = 'requestedExecutionLevel level="asInvoker"' ] || fail "has a manifest that asks for ${level:-nothing}"

imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
[ "$imports" = "gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll user32.dll winmm.dll " ] ||
    fail "imports $imports"
echo "ok: $format, Windows GUI, manifest 1 asInvoker, imports $imports"
