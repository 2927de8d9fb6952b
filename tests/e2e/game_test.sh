#!/usr/bin/env bash
# Plays one whole game in real time on an X server of its own: starts on a
# known board, makes the planned moves and sees a group sink and score, waits
# out the three-minute clock and dismisses the game-over box. Then, in the
# new-best-score dialog, either
#   name:   types a name and confirms it with Enter; checks the bytes of
#           "Kubrask.data", and that the next start shows the best score and
#           its name; or
#   cancel: cancels, answers No to the question (the dialog stays), cancels
#           again and answers Yes: nothing is stored.
# Either way the game draws on, and a new game can be started.
#
#   game_test.sh native GAME X_CLOSE PLAN [name|cancel]   the Linux build
#   game_test.sh wine GAME PREFIX PLAN [name|cancel]      the Windows build under Wine
# PLAN is planned_game.txt: the launch counter, the keys and the score.
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

plan=$(realpath "$4") ending=${5:-name}
source "$(dirname "$0")/common.sh"
source "$plan"
name=Zoë  # stored in the Windows code page: 5A 6F EB

printf '%s' "$counter" > random.txt
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
started=$SECONDS

# A short press moves once: a roll lasts 0.2 s, and a key still down after it
# would move again.
for key in $keys; do press "$window" "$key" 0.15; done
sleep 0.5
title=$(xdotool getwindowname "$window")
[[ "$title" =~ " - Score: $score - last score: $score"$ ]] || fail "the caption is \"$title\" after the planned moves"

# The clock runs out three minutes after the first frame.
box=$(find_window "^Kubrask\$" 200)
[ -n "$box" ] || fail "no game-over box"
elapsed=$((SECONDS - started))
[ "$elapsed" -ge 170 ] || fail "the game ended after only $elapsed s"
press "$box" Return

dialog=$(find_window "^New High Score!\$" 20)
[ -n "$dialog" ] || fail "no name dialog after a best score"

# After the game and its boxes, the game draws on and N starts a new game.
drawing_on() {
    xwd -id "$window" -silent > before
    sleep 0.5
    xwd -id "$window" -silent > after
    cmp -s before after && fail "the game's picture stands still after the dialog"
    press "$window" n
    local new_game=" - Time: (3:00|2:[0-5][0-9]) - Score: 0"
    for _ in $(seq 30); do  # the caption is refreshed once a second
        [[ "$(xdotool getwindowname "$window")" =~ $new_game ]] && return
        sleep 0.1
    done
    fail "N started no new game: the caption is \"$(xdotool getwindowname "$window")\""
}

if [ "$ending" = cancel ]; then
    # Escape is Cancel, which asks first; No keeps the dialog, Yes gives up.
    press "$dialog" Escape 0.1
    question=$(find_window "^Kubrask\$" 10)
    [ -n "$question" ] || fail "Cancel asked nothing"
    press "$question" Right 0.1
    press "$question" Return 0.1
    [ -n "$(find_window "^New High Score!\$" 2)" ] || fail "No did not keep the dialog"
    press "$dialog" Escape 0.1
    question=$(find_window "^Kubrask\$" 10)
    [ -n "$question" ] || fail "the second Cancel asked nothing"
    press "$question" Return 0.1  # Yes is the default
    [ -z "$(find_window "^New High Score!\$" 1)" ] || fail "the dialog is still open after Yes"
    [ ! -e Kubrask.data ] || fail "a cancelled name stored Kubrask.data"
    drawing_on
    press "$window" Escape
    wait_for_end
    [ "$code" = 0 ] || fail "Escape after the game ended it with $code"
    echo "ok: $mode game scored $score, the name dialog was cancelled and nothing stored"
    exit 0
fi

# The focus starts on OK; the name field is two tab stops on.
press "$dialog" Tab 0.1
press "$dialog" Tab 0.1
xdotool type --delay 150 "$name"
press "$dialog" Return 0.1
[ -z "$(find_window "^New High Score!\$" 1)" ] || fail "the dialog is still open after Enter"

expected=$(printf '%02x%02x%02x%02x' $((score & 255)) $((score >> 8 & 255)) $((score >> 16 & 255)) $((score >> 24 & 255)))
expected+=$(printf '%s' "$name" | iconv -f UTF-8 -t CP1252 | od -An -tx1 | tr -d ' \n')00
stored=$(od -An -tx1 Kubrask.data | tr -d ' \n')
[ "$stored" = "$expected" ] || fail "Kubrask.data holds $stored, not $expected"

drawing_on
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape after the game ended it with $code"

launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0 - High Score: $score by $name"
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the second start with $code"
echo "ok: $mode game scored $score, stored for $name and shown at the next start"
