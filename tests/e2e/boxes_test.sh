#!/usr/bin/env bash
# The boxes a player meets outside a whole game, on an X server that offers
# only its built-in fonts: the game draws them itself. Started without its
# art, the game says "Initialization Failed." in a box captioned "ERROR" and
# ends with 0; with a damaged texture the loader's "Error" box comes first.
# The about box and "A Test" open over the game, Enter closes them, and the
# game draws on afterwards. Every box is also told on standard error.
#
#   boxes_test.sh native GAME X_CLOSE
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

source "$(dirname "$0")/common.sh"
art=$(mktemp -d)
at_exit='rm -rf "$art"'
mv Data "$art/"

# Waits for a box captioned $1 and answers it with Enter.
answer_box() {
    local box
    box=$(find_window "^$1\$")
    [ -n "$box" ] || fail "no box captioned \"$1\""
    press "$box" Return
}

said() { grep -qxF "$1" "$errors" || fail "standard error does not say \"$1\""; }

# No art at all.
start_game
answer_box ERROR
wait_for_end
[ "$code" = 0 ] || fail "a start without Data/ ended with $code"
said "ERROR: Initialization Failed."

# A texture that is no bitmap: the loader says so, then the start fails.
: > "$errors"
mkdir Data
printf 'not a bitmap at all, only text' > Data/DiceTexture.bmp
start_game
answer_box Error
answer_box ERROR
wait_for_end
[ "$code" = 0 ] || fail "a start with a damaged texture ended with $code"
[ "$(cat "$errors")" = "$(printf 'Error: Unknown DIB file format.\nERROR: Initialization Failed.')" ] ||
    fail "standard error is not the two boxes in turn"

# With the art: boxes over the game, and the game drawing on after each.
rm -r Data
mv "$art/Data" .
: > "$errors"
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
drawing_on() {
    picture "$pictures/after" || fail "the game's window is gone after $1"
    next_frame "$pictures/after" || fail "the game's window is gone after $1"
}
press "$window" a
about=$(find_window "^Kubrask\$")
[ -n "$about" ] || fail "no about box"
# A window of its own, kept above the game by the window manager.
[[ "$(x_client xprop -id "$about" WM_TRANSIENT_FOR)" == *"window id # $(printf '0x%x' "$window")" ]] ||
    fail "the about box is not transient for the game: $(x_client xprop -id "$about" WM_TRANSIENT_FOR)"
press "$about" Return
drawing_on "the about box"
press "$window" d
answer_box Kubrask
drawing_on "\"A Test\""
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the game with $code"
said "Kubrask: A Test"
grep -q "^Kubrask: Kubrask /  / " "$errors" || fail "standard error does not tell the about box"
echo "ok: ERROR box without art, Error then ERROR with damaged art, about box and A Test over a game that draws on"
