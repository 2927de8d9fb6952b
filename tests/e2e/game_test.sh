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
# Either way the game draws on, and a new game can be started. The Linux
# build's journal of the game then plays again to the same state (with
# KUBRASK_SAVE_JOURNALS naming a folder, it is kept there as
# planned-game-name.journal or planned-game-cancel.journal).
#
#   game_test.sh native GAME X_CLOSE PLAN [name|cancel]   the Linux build
#   game_test.sh wine GAME PREFIX PLAN [name|cancel]      the Windows build under Wine
# PLAN is planned_game.txt: the launch counter, the keys and the score.
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

plan=$(realpath "$4") ending=${5:-name}
save=${KUBRASK_SAVE_JOURNALS:+$(realpath "$KUBRASK_SAVE_JOURNALS")/planned-game-$ending.journal}
source "$(dirname "$0")/common.sh"
source "$plan"
name=Zoë  # stored in the Windows code page: 5A 6F EB

printf '%s' "$counter" > random.txt
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
started=$SECONDS

for key in $keys; do press "$window" "$key"; done
# The caption follows the score once a second.
await_frames 4 "the planned moves did not score $score" caption_matches " - Score: $score - last score: $score"\$

# The clock runs out three minutes after the first frame.
box=$(find_window "^Kubrask\$")
[ -n "$box" ] || fail "no game-over box"
elapsed=$((SECONDS - started))
[ "$elapsed" -ge 170 ] || fail "the game ended after only $elapsed s"
press "$box" Return

dialog=$(find_window "^New High Score!\$")
[ -n "$dialog" ] || fail "no name dialog after a best score"

# After the game and its boxes, the game draws on and N starts a new game.
drawing_on() {
    picture "$pictures/after" || fail "the game's window is gone after the dialog"
    next_frame "$pictures/after" || fail "the game's window is gone after the dialog"
    press "$window" n
    await_frames 2 "N started no new game" caption_matches " - Time: (3:00|2:[0-5][0-9]) - Score: 0"
}

# The game just ended, played again from its journal without a window.
replay_journal() {
    [ "$mode" = native ] || return 0
    replayed=$("$(dirname "$game")/kubrask-replay" Kubrask.journal 2>>"$errors") ||
        fail "the game's journal did not play again: $replayed"
    [[ "$replayed" == *" as recorded" ]] || fail "the game's journal played again: $replayed"
    [ -z "$save" ] || cp Kubrask.journal "$save"
}

if [ "$ending" = cancel ]; then
    # Escape is Cancel, which asks first; No keeps the dialog, Yes gives up.
    press "$dialog" Escape
    question=$(find_window "^Kubrask\$")
    [ -n "$question" ] || fail "Cancel asked nothing"
    press "$question" Right
    press "$question" Return
    await "No did not close the question" gone "^Kubrask\$"
    gone "^New High Score!\$" && fail "No did not keep the dialog"
    press "$dialog" Escape
    question=$(find_window "^Kubrask\$")
    [ -n "$question" ] || fail "the second Cancel asked nothing"
    press "$question" Return  # Yes is the default
    await "the dialog is still open after Yes" gone "^New High Score!\$"
    drawing_on
    [ ! -e Kubrask.data ] || fail "a cancelled name stored Kubrask.data"
    press "$window" Escape
    wait_for_end
    [ "$code" = 0 ] || fail "Escape after the game ended it with $code"
    replay_journal
    echo "ok: $mode game scored $score, the name dialog was cancelled and nothing stored"
    exit 0
fi

# The focus starts on OK; the name field is two tab stops on.
press "$dialog" Tab
press "$dialog" Tab
x_client xdotool type --delay 150 "$name"
press "$dialog" Return
await "the dialog is still open after Enter" gone "^New High Score!\$"
# The name is stored as the dialog closes, before the game draws on.
drawing_on

expected=$(printf '%02x%02x%02x%02x' $((score & 255)) $((score >> 8 & 255)) $((score >> 16 & 255)) $((score >> 24 & 255)))
expected+=$(printf '%s' "$name" | iconv -f UTF-8 -t CP1252 | od -An -tx1 | tr -d ' \n')00
stored=$(od -An -tx1 Kubrask.data | tr -d ' \n')
[ "$stored" = "$expected" ] || fail "Kubrask.data holds $stored, not $expected"

press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape after the game ended it with $code"
replay_journal

launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0 - High Score: $score by $name"
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the second start with $code"
echo "ok: $mode game scored $score, stored for $name and shown at the next start"
