#!/usr/bin/env bash
# Today's board on Linux: `GAME --daily SEED` on an X server of its own, in a
# folder with the player's launch counter and best score. The game starts
# on the planned board (the plan's counter as the day's seed), with no best
# score in its caption, and the planned move scores; Escape ends it. Then:
#   - the launch counter and the best score are byte for byte as they were;
#   - the daily game's journal, in daily/, plays again to the planned score;
#   - an ordinary start counts on from the player's counter and shows the
#     player's best score.
#
#   daily_test.sh native GAME X_CLOSE PLAN REPLAY
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

plan=$(realpath "$4") replay=$(realpath "$5")
source "$(dirname "$0")/common.sh"
source "$plan"

printf '5' > random.txt
printf '\x64\x00\x00\x00Ann\x00' > Kubrask.data  # 100 points by Ann
cp random.txt Kubrask.data "$pictures/"
start_game() {
    "$game" --daily "$counter" 2>>"$errors" &
    pid=$!
}
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
for key in $keys; do press "$window" "$key"; done
await_frames 4 "the planned moves did not score $score on today's board" caption_matches " - Score: $score - last score: $score"\$
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the daily game with $code"

cmp -s random.txt "$pictures/random.txt" || fail "the daily game changed the launch counter to $(cat random.txt)"
cmp -s Kubrask.data "$pictures/Kubrask.data" || fail "the daily game changed the best score"
[ -s daily/Kubrask.journal ] || fail "the daily game kept no journal in daily/: $(ls daily)"
[ ! -e Kubrask.journal ] || fail "the daily game kept its journal among the player's"
replayed=$("$replay" daily/Kubrask.journal 2>>"$errors") || fail "the replay tool refused the daily journal: $replayed"
[[ "$replayed" == *", score $score, "*" as recorded" ]] || fail "the daily journal played again as: $replayed"

start_game() {
    "$game" 2>>"$errors" &
    pid=$!
}
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0 - High Score: 100 by Ann"
press "$window" Escape
wait_for_end
[ "$(cat random.txt)" = 6 ] || fail "the next ordinary start left the launch counter at $(cat random.txt)"
echo "ok: today's board ($counter) scored $score and played again as recorded; the launch counter and the best score were left as they were"
