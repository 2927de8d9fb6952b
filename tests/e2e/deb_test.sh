#!/usr/bin/env bash
# The Debian package as a player gets it: unpacked into a scratch root (as
# dpkg would put it under /), started through its launcher from two
# different folders with a scratch home, the second time through a link. Both starts open the window with
# the status line and share the launch counter in ~/.local/share/kubrask,
# which goes 0 then 1, never in the folder they were started from; Escape
# ends each with 0. A third start with XDG_DATA_HOME set keeps its files
# there.
#
#   deb_test.sh native PACKAGE.deb
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

[ $# -ge 3 ] || set -- "$@" ""  # no helper: nothing is closed here
source "$(dirname "$0")/common.sh"
caption="Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
deb=$game

dpkg-deb -x "$deb" root
game=$work/root/usr/games/kubrask
[ -x "$game" ] || fail "the package has no launcher usr/games/kubrask"
export HOME=$work/home
unset XDG_DATA_HOME
mkdir -p "$HOME" first second
own=$HOME/.local/share/kubrask

# Starts the launcher in folder $1 and ends the game with Escape; the
# counter in folder $2 must then hold $3.
start_in() {
    cd "$work/$1"
    launch "$caption"
    press "$window" Escape
    wait_for_end
    [ "$code" = 0 ] || fail "Escape ended the game started in $1 with $code"
    [ ! -e random.txt ] || fail "the start in $1 left random.txt in its working folder"
    [ "$(cat "$2/random.txt" 2>/dev/null)" = "$3" ] ||
        fail "after the start in $1, $2/random.txt holds \"$(cat "$2/random.txt" 2>/dev/null)\", not $3"
}

start_in first "$own" 0
[ "$(readlink -f "$own/Data")" = "$work/root/usr/share/games/kubrask/Data" ] ||
    fail "$own/Data leads to \"$(readlink -f "$own/Data")\", not the installed art"
# The second start goes through a link elsewhere, as a player might put one
# on their path: the launcher still finds the binary and the art.
mkdir "$work/bin"
ln -s "$game" "$work/bin/kubrask"
game=$work/bin/kubrask
start_in second "$own" 1

export XDG_DATA_HOME=$work/data-home
start_in first "$XDG_DATA_HOME/kubrask" 0
[ "$(cat "$own/random.txt")" = 1 ] || fail "a start with XDG_DATA_HOME set changed ~/.local/share/kubrask"
echo "ok: the package's launcher, from two folders and with XDG_DATA_HOME, one counter per data home"
