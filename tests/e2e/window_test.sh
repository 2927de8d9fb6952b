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
[ -n "${KUBRASK_TRACE:-}" ] && set -x

source "$(dirname "$0")/common.sh"
caption="Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"  # the clock runs from 3:00

close_box() {
    if [ "$mode" = wine ]; then
        # Click the close button at the right end of Wine's own title bar.
        eval "$(x_client xdotool getwindowgeometry --shell "$window")"
        local inner
        inner=$(x_client xwininfo -id "$window" -children | sed -n 's/^ *0x[0-9a-f]* .*: ()  [0-9]*x[0-9]*+\([0-9]*\)+\([0-9]*\).*/\1 \2/p' | head -n 1)
        read -r border bar <<<"$inner"
        x_client xdotool mousemove $((X + WIDTH - border - 9)) $((Y + (border + bar) / 2)) click 1
    else
        "$helper" "$window"
    fi
}

launch "$caption"
[ "$(x_client xdotool search --name "^$caption\$" | wc -l)" -eq 1 ] || fail "more than one window"
x_client xprop -id "$window" _NET_WM_ICON | grep -q "Icon (32 x 32)" || fail "the window has no 32 x 32 icon"
changes() { { cmp -l "$1" "$2" || true; } | wc -l; }

# The walker spins all the time, so some bytes always change; a move or a new
# game must change far more. Launched first in an empty folder, the game is
# seeded with 0: the walker stands on a die in column 6, row 3, with free
# floor to its left, so Left rolls the die.
# The window can be up before its first frame is drawn (a loaded machine, the
# sanitizer build): the spin is measured from the first frame on, over half a
# second and at least one more frame.
picture still1 || fail "the window went away"
next_frame still1 || fail "the window went away before its first frame"
sleep 0.5
cp still1 still2
next_frame still2 || fail "the window went away after its first frame"
spin=$(changes still1 still2)

# Whether picture $1 and the picture now, kept as $2, differ by far more
# than the spin.
much_changed() {
    picture "$2" || return 1
    local count
    count=$(changes "$1" "$2")
    saw="$count bytes changed, the spin alone changes $spin"
    [ "$count" -gt $((3 * spin + 1000)) ]
}
# A roll takes 0.2 s, a new game is at once.
press "$window" Left
await_frames 2 "Left changed too little of the picture" much_changed still2 moved
[[ "$(x_client xdotool getwindowname "$window")" =~ ^${caption}$ ]] || fail "the caption is \"$(x_client xdotool getwindowname "$window")\" after a move"
press "$window" n
await_frames 2 "N changed too little of the picture" much_changed moved renewed
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the game with $code"
[ "$(cat random.txt)" = 0 ] || fail "random.txt holds \"$(cat random.txt)\" after the first launch"

launch "$caption"
close_box
wait_for_end
[ "$code" = 0 ] || fail "the close box ended the game with $code"
[ "$(cat random.txt)" = 1 ] || fail "random.txt holds \"$(cat random.txt)\" after the second launch"
echo "ok: $mode window, caption, 800x600, Escape and close box, launch counter"
