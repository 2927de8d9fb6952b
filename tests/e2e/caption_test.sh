#!/usr/bin/env bash
# Best-score files of any bytes: the name's bytes reach the caption as the
# Windows code page has them, and never keep the status line from showing.
# For a name holding every byte 1 to 255 once, and for three files of random
# bytes with no zero byte (seeded, so they repeat), the status line follows
# the window within a second, and Escape ends the game with 0.
#
#   caption_test.sh native GAME X_CLOSE   the Linux build
#   caption_test.sh wine GAME PREFIX      the Windows build under Wine
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

source "$(dirname "$0")/common.sh"

every_byte() {
    printf '\x07\x00\x00\x00'
    for byte in $(seq 1 255); do printf "\\$(printf %03o "$byte")"; done
    printf '\x00'
}
random_bytes() {  # $1 is the seed
    printf '\x07\x00\x00\x00'
    LC_ALL=C awk -v seed="$1" 'BEGIN { srand(seed); for (i = 0; i < 1000; ++i) printf "%c", 1 + int(rand() * 255) }'
}

# The game's window, named with its first caption or the status line, as
# soon as it is up (a first start under Wine makes its prefix first).
game_window() { find_window "^(Qoxa's Texture Mapping Tutorial|Kubrask - Time: )"; }
# The first line: a caption may hold line breaks where Wine leaves them in.
caption() { x_client xdotool getwindowname "$window" | head -n 1; }

for file in every 11 23 42; do
    if [ "$file" = every ]; then every_byte > Kubrask.data; else random_bytes "$file" > Kubrask.data; fi
    start_game
    window=$(game_window)
    [ -n "$window" ] || fail "no game window with the $file file"
    # The status line is up before the first frame is drawn.
    picture first || fail "the game's window went away with the $file file"
    next_frame first || fail "the game's window went away before its first frame with the $file file"
    caption | grep -q "^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0 - High Score: 7 by " ||
        fail "no status line by the first frame with the $file file: \"$(caption)\""
    if [ "$mode" = native ] && [ "$file" = every ]; then
        # As the code page has them: the euro sign and the circumflex
        # accent, control characters as their symbols.
        name=$(x_client xprop -id "$window" _NET_WM_NAME)
        for shown in € ˆ ␊ ÿ; do
            [[ "$name" == *"$shown"* ]] || fail "the caption has no $shown: $name"
        done
    fi
    press "$window" Escape
    wait_for_end
    [ "$code" = 0 ] || fail "Escape ended the game with $code with the $file file"
done
echo "ok: $mode status line and Escape with any bytes in the best-score file"
