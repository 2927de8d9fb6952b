#!/usr/bin/env bash
# What the zip and the installer of a Windows build hold, read from the files
# with 7-Zip, so that it is checked whatever this machine can run: the game
# built for this build's processor, its README saying which build it is, the
# art exactly as in Data/, and nothing else (but the installer's uninstaller
# and its own plug-ins). The installer itself is a 32-bit program for either
# build, so that on 32-bit Windows the 64-bit one can say what it needs.
#
#   windows_package_contents.sh PACKAGE.zip SETUP.exe OBJDUMP win32|win64
set -euo pipefail
source "$(dirname "$0")/wine_skip.sh"  # pe_machine

zip=$(realpath "$1") installer=$(realpath "$2") objdump=$3 windows=$4
data=$(realpath "$(dirname "$0")/../Data")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
case $windows in
    win32) machine=014c name="32-bit Windows" ;;
    win64) machine=8664 name="64-bit Windows" ;;
esac

# The files of an archive under folder $2 of it, one a line, sorted.
listing() {
    7z l -slt "$1" | sed -n "s/^Path = //p" | tail -n +2 | sed -n "s|^$2||p" | grep -v '^\$PLUGINSDIR/' | sort
}
# Checks the game, README and art unpacked in folder $1 of package $2.
check_files() {
    [ "$(pe_machine "$1/Kubrask.exe")" = $machine ] || fail "the Kubrask.exe of $2 is not for $name"
    [[ "$("$objdump" -p "$1/Kubrask.exe")" == *"(Windows GUI)"* ]] || fail "the Kubrask.exe of $2 is no windowed program"
    grep -q "This is Kubrask for $name\." "$1/README.txt" || fail "the README of $2 does not say it is for $name"
    for file in "$data"/*; do
        cmp -s "$file" "$1/Data/$(basename "$file")" || fail "$2 holds another Data/$(basename "$file")"
    done
}

art=$(cd "$data" && ls | sed 's|^|Data/|')
top=$(basename "$zip" .zip)
expected=$(printf '%s\n' Kubrask.exe README.txt $art | sort)
[ "$(listing "$zip" "$top/" | grep -v '/$\|^Data$')" = "$expected" ] ||
    fail "$(basename "$zip") holds $(listing "$zip" "" | tr '\n' ' ')"
7z x -o"$work/zip" "$zip" >/dev/null
check_files "$work/zip/$top" "$(basename "$zip")"

expected=$(printf '%s\n' Kubrask.exe README.txt Uninstall.exe $art | sort)
[ "$(listing "$installer" "")" = "$expected" ] ||
    fail "$(basename "$installer") holds $(listing "$installer" "" | tr '\n' ' ')"
[ "$(pe_machine "$installer")" = 014c ] || fail "$(basename "$installer") is not a 32-bit program"
7z x -o"$work/installer" "$installer" >/dev/null
check_files "$work/installer" "$(basename "$installer")"
echo "ok: $(basename "$zip") and $(basename "$installer") hold the game for $name, its README and its art"
