#!/usr/bin/env bash
# A Windows package under Wine, in a scratch prefix made afresh.
#
# The installer:
# - asks for no administrator rights (its manifest says asInvoker) and, run
#   silently (/S), puts the game, its art, a README and an uninstaller into
#   the user's own programs folder, and a Start-menu shortcut that starts in
#   that folder;
# - the game started from the install folder, as the shortcut starts it,
#   opens its window with the best score kept there and ends with 0 on Escape;
# - the uninstaller, run silently, removes the program, the shortcut and its
#   registry entry, and leaves the player's Kubrask.data.
# The zip, unpacked anywhere, runs in the folder it was unpacked to.
#
#   windows_packages_test.sh wine SETUP.exe PREFIX
#   windows_packages_test.sh wine PACKAGE.zip PREFIX
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

prefix=$(realpath -m "$3")
[ -n "${KUBRASK_INSIDE_XVFB:-}" ] || rm -rf "$prefix"  # a fresh prefix, once, before the X server starts
source "$(dirname "$0")/common.sh"
package=$game
caption="Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
export WINEPREFIX=$prefix

# Runs a Windows program to its end, and every program it starts.
run() {
    bash "$wine_run" "$prefix" "$@"
    wineserver -w
}

# Starts the Kubrask.exe of folder $1 there, as its shortcut does, waits for
# the caption $2 and quits with Escape: exit code 0, and its launch counter
# started in that folder. $3 names it in a failure.
play_in() {
    cd "$1"
    game=$1/Kubrask.exe
    launch "$2"
    press "$window" Escape
    wait_for_end
    [ "$code" = 0 ] || fail "Escape ended $3 with $code"
    [ "$(cat random.txt)" = 0 ] || fail "$3's random.txt holds \"$(cat random.txt)\", not 0"
}

if [[ "$package" == *.zip ]]; then
    mkdir unpacked
    (cd unpacked && cmake -E tar xf "$package")
    top=$(realpath unpacked/*)
    [ -f "$top/Kubrask.exe" ] && [ -f "$top/README.txt" ] && [ -d "$top/Data" ] ||
        fail "the zip holds $(cd unpacked && find . | tr '\n' ' ')"
    play_in "$top" "$caption" "the game from the zip"
    echo "ok: the zip runs where unpacked"
    exit 0
fi

level=$(grep -a -o 'requestedExecutionLevel level="[^"]*"' "$package")
[ "$level" = 'requestedExecutionLevel level="asInvoker"' ] || fail "the installer's manifest asks for ${level:-nothing}"
run "$package" /S
users=$prefix/drive_c/users
folder=$(find "$users" -type d -path '*/AppData/Local/Programs/Kubrask' | head -n 1)
[ -n "$folder" ] || fail "the installer put nothing in AppData\\Local\\Programs\\Kubrask"
for file in Kubrask.exe README.txt Uninstall.exe Data/DiceTexture.bmp Data/DiceMove.wav Data/DiceMatch.wav; do
    [ -f "$folder/$file" ] || fail "the install has no $file"
done
shortcut=$(find "$users" -path '*/Start Menu/Programs/Kubrask.lnk' | head -n 1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
# The shortcut's working folder is among its strings, in UTF-16 after a
# count; no other string of it ends in the folder.
strings -e l "$shortcut" | grep -q 'C:\\users\\[^\\]*\\AppData\\Local\\Programs\\Kubrask$' ||
    fail "the shortcut does not start in the install folder: $(strings -e l "$shortcut" | tr '\n' ' ')"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kubrask' /v UninstallString >/dev/null 2>&1 ||
    fail "no uninstall entry in the user's registry"

# A best score the player already holds, in the install folder: the game
# shows it when it runs there.
printf '\xd2\x04\x00\x00Zo\x00' > "$folder/Kubrask.data"
play_in "$folder" "$caption - High Score: 1234 by Zo" "the installed game"

cd "$work"
run "$folder/Uninstall.exe" /S
[ "$(od -An -tx1 "$folder/Kubrask.data" | tr -d ' \n')" = d20400005a6f00 ] ||
    fail "the uninstaller did not leave Kubrask.data as it was"
left=$(cd "$folder" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./Kubrask.data " ] || fail "the uninstaller left $left"
[ ! -e "$shortcut" ] || fail "the uninstaller left the shortcut"
! wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kubrask' >/dev/null 2>&1 ||
    fail "the uninstaller left its registry entry"
echo "ok: installed, run and uninstalled for the user alone, keeping Kubrask.data"
