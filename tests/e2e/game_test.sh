#!/usr/bin/env bash
# Plays one whole game in real time on an X server of its own: starts on a
# known board, makes the planned moves and sees a group sink and score, waits
# out the three-minute clock, dismisses the game-over box, types a name into
# the new-best-score dialog and confirms it with Enter; checks the bytes of
# "Kubrask.data", and that the next start shows the best score and its name.
#
#   game_test.sh native GAME X_CLOSE PLAN   the Linux build
#   game_test.sh wine GAME PREFIX PLAN      the Windows build under Wine
# PLAN is planned_game.txt: the launch counter, the keys and the score.
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

plan=$(realpath "$4")
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

press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape after the game ended it with $code"

launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0 - High Score: $score by $name"
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the second start with $code"
echo "ok: $mode game scored $score, stored for $name and shown at the next start"
