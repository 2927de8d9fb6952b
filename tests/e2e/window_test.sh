#!/usr/bin/env bash
# Starts the game on an X server of its own and checks what a player sees:
# one window captioned with the status line, the game's icon and an 800 x 600
# client area; an arrow key moves the walker and N starts a new game (the
# picture changes each time); exit code 0 on Escape and on the close box; and
# the launch counter in the working folder holding 0 after the first launch
# and 1 after the second.
#
#   window_test.sh native GAME X_CLOSE   the Linux build; X_CLOSE asks a window to close
#   window_test.sh wine GAME PREFIX      the Windows build under Wine, in a 32-bit prefix
set -euo pipefail

if [ -z "${KUBRASK_INSIDE_XVFB:-}" ]; then
    export KUBRASK_INSIDE_XVFB=1
    # A display number of its own, away from any other server's.
    exec xvfb-run -n $((100 + $$ % 800)) -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

mode=$1 game=$(realpath "$2") helper=$3
caption="Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"  # the clock runs from 3:00
work=$(mktemp -d)
pid=""
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
cd "$work"
cp -r "$(dirname "$game")/Data" .  # the art, as the build lays it out beside the game

fail() { echo "FAIL: $*" >&2; exit 1; }

launch() {
    if [ "$mode" = wine ]; then
        bash "$(dirname "$0")/../wine_run.sh" "$helper" "$game" &
    else
        "$game" &
    fi
    pid=$!
    window=""
    for _ in $(seq 600); do
        window=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the game ended before showing its window"
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window captioned \"$caption\""
    # The window may still be on its way up (Wine adds the OpenGL child late).
    for _ in $(seq 100); do
        size=$(client_size)
        [ "$size" = 800x600 ] && break
        sleep 0.1
    done
}

# Sets code to the game's exit code, or fails if it does not end within 20 s.
wait_for_end() {
    for _ in $(seq 200); do
        if ! kill -0 "$pid" 2>/dev/null; then
            code=0
            wait "$pid" || code=$?
            return
        fi
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    fail "the game did not end"
}

client_size() {
    if [ "$mode" = wine ]; then
        # Wine draws the frame itself; the OpenGL client area is a child window.
        xwininfo -id "$window" -children | sed -n 's/^ *0x[0-9a-f]* .*: ()  \([0-9]*x[0-9]*\)+.*/\1/p' | head -n 1
    else
        xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
    fi
}

close_box() {
    if [ "$mode" = wine ]; then
        # Click the close button at the right end of Wine's own title bar.
        eval "$(xdotool getwindowgeometry --shell "$window")"
        local inner
        inner=$(xwininfo -id "$window" -children | sed -n 's/^ *0x[0-9a-f]* .*: ()  [0-9]*x[0-9]*+\([0-9]*\)+\([0-9]*\).*/\1 \2/p' | head -n 1)
        read -r border bar <<<"$inner"
        xdotool mousemove $((X + WIDTH - border - 9)) $((Y + (border + bar) / 2)) click 1
    else
        "$helper" "$window"
    fi
}

launch
[ "$(xdotool search --name "^$caption\$" | wc -l)" -eq 1 ] || fail "more than one window"
[ "$size" = 800x600 ] || fail "client area is ${size:-missing}, not 800x600"
xprop -id "$window" _NET_WM_ICON | grep -q "Icon (32 x 32)" || fail "the window has no 32 x 32 icon"
# A key held for a moment, as a player does: the game looks at keys between frames.
press() {
    xdotool windowfocus --sync "$window" keydown "$1"
    sleep 0.3
    xdotool keyup "$1"
    sleep 0.5
}
picture() { xwd -id "$window" -silent > "$1"; }
changes() { { cmp -l "$1" "$2" || true; } | wc -l; }

# The walker spins all the time, so some bytes always change; a move or a new
# game must change far more. Launched first in an empty folder, the game is
# seeded with 0: the walker stands on a die in column 6, row 3, with free
# floor to its left, so Left rolls the die.
picture still1
sleep 0.5
picture still2
spin=$(changes still1 still2)
press Left
picture moved
[ "$(changes still2 moved)" -gt $((3 * spin + 1000)) ] || fail "Left changed too little of the picture"
[[ "$(xdotool getwindowname "$window")" =~ ^${caption}$ ]] || fail "the caption is \"$(xdotool getwindowname "$window")\" after a move"
press n
picture renewed
[ "$(changes moved renewed)" -gt $((3 * spin + 1000)) ] || fail "N changed too little of the picture"
press Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the game with $code"
[ "$(cat random.txt)" = 0 ] || fail "random.txt holds \"$(cat random.txt)\" after the first launch"

launch
close_box
wait_for_end
[ "$code" = 0 ] || fail "the close box ended the game with $code"
[ "$(cat random.txt)" = 1 ] || fail "random.txt holds \"$(cat random.txt)\" after the second launch"
echo "ok: $mode window, caption, 800x600, Escape and close box, launch counter"
