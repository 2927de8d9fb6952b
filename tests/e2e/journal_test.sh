#!/usr/bin/env bash
# A game kept in its journal, played again and watched. On an X server of its
# own, plays a short game from the planned board: the planned move, a pause,
# the about box, a new game with a move in it, then Escape. Then:
#   - the replay tool plays the journal to the state recorded at every
#     second and at the end, and to the same score: recording changed
#     nothing the game did;
#   - `GAME --replay` shows it in a window with the recorded status lines at
#     the times the journal's clock gives them (never sooner), ending as the
#     game ended; `--speed 3` shows them
#     faster; Escape stops the watching;
#   - the folder's files (launch counter, best score, journals) are byte for
#     byte what they were before the watching.
# With KUBRASK_SAVE_JOURNALS naming a folder, the journal is kept there too,
# as short-game.journal (for tests/journals).
#
#   journal_test.sh native GAME X_CLOSE PLAN REPLAY
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

plan=$(realpath "$4") replay=$(realpath "$5")
save=${KUBRASK_SAVE_JOURNALS:+$(realpath "$KUBRASK_SAVE_JOURNALS")/short-game.journal}
source "$(dirname "$0")/common.sh"
source "$plan"

# The window's name each time it changes, with the time it was seen, over one
# connection to the X server held until the window goes.
spy_captions() {
    stdbuf -oL xprop -spy -id "$window" _NET_WM_NAME 2>/dev/null | while IFS= read -r line; do
        printf '%s %s\n' "$EPOCHREALTIME" "${line#*= }"
    done > "$1" &
}
# When each status line was first shown, in seconds after the first one
# showing $2 left on the clock: "seconds caption" lines.
caption_times() {
    awk -v mark="Time: $2 " 'index($0, mark) && !start { start = $1 }
        start && !seen[substr($0, index($0, " ") + 1)]++ { printf "%.3f %s\n", $1 - start, substr($0, index($0, " ") + 1) }' "$1"
}

printf '%s' "$counter" > random.txt
launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
await_frames 4 "the clock did not reach 2:58" caption_matches " - Time: 2:5[0-8] - "
for key in $keys; do press "$window" "$key"; done
await_frames 4 "the planned moves did not score $score" caption_matches " - Score: $score - last score: $score"\$
# P pauses: held until the picture stands still (a second apart, slower
# than any frame), then it stands for a while, and P goes on.
x_client xdotool windowfocus --sync "$window" keydown p
picture "$pictures/paused"
for (( ; ; )); do
    sleep 1
    picture "$pictures/still" || fail "the game's window went away while pausing"
    same_pixels "$pictures/paused" "$pictures/still" && break
    mv "$pictures/still" "$pictures/paused"
    in_time || fail "P did not pause the game"
done
x_client xdotool keyup p
sleep 1
press "$window" p
press "$window" a
box=$(find_window "^Kubrask\$")
[ -n "$box" ] || fail "no about box"
sleep 1
press "$box" Return
await "the about box did not close" gone "^Kubrask\$"
press "$window" n
await_frames 2 "N started no new game" caption_matches " - Time: (3:00|2:[0-5][0-9]) - Score: 0"
press "$window" Left
await_frames 4 "the new game's clock did not run" caption_matches " - Time: 2:5[0-6] - "
# Two more seconds, so that what the move set going has ended and the
# status line shows the final score.
shown=$(caption)
await_frames 4 "the clock stood still" eval '[ "$(caption)" != "$shown" ]'
shown=$(caption)
await_frames 4 "the clock stood still" eval '[ "$(caption)" != "$shown" ]'
final_score=$(caption | sed -n 's/.* - Score: \([0-9]*\).*/\1/p')
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the recorded game with $code"
[ -s Kubrask.journal ] || fail "the game kept no journal: $(ls)"
[ -z "$save" ] || cp Kubrask.journal "$save"

# The journal played again without a window agrees with every check it holds.
replayed=$("$replay" Kubrask.journal 2>>"$errors") || fail "the replay tool refused the journal: $replayed"
[[ "$replayed" == *", score $final_score, "*" as recorded" ]] ||
    fail "the game ended with score $final_score, and the replay tool said: $replayed"

before=$(mktemp -d)
at_exit='rm -rf "$before"'
cp random.txt Kubrask.journal* "$before"/

# Watched at its own pace: the same status lines at the times the journal's
# clock gives them, which the replay tool prints. The watching's own start is
# not seen from outside, so each line's lag (when the X server told of it,
# less the journal's time) is held against the others': they differ by less
# than a second, however the frames of a slow build and a busy X server fall. The
# journal's Escape ends the watching as it ended the game.
watch() {
    "$game" --replay Kubrask.journal "$@" >"$pictures/watched" 2>>"$errors" &
    pid=$!
    window=$(find_window "^Kubrask - Time: ")
    [ -n "$window" ] || fail "no window for the watched game"
}
watch
spy_captions "$pictures/watched-captions"
wait_for_end
[ "$code" = 0 ] || fail "watching ended with $code: $(cat "$pictures/watched")"
grep -q "as recorded" "$pictures/watched" || fail "watching said: $(cat "$pictures/watched")"
"$replay" Kubrask.journal --captions 2>>"$errors" | sed -n 's/^caption \([0-9.]*\) \(.*\)$/\1 "\2"/p' > "$pictures/journal-captions"
caption_times "$pictures/journal-captions" 2:58 > "$pictures/recorded-times"
caption_times "$pictures/watched-captions" 2:58 > "$pictures/watched-times"
while read -r at shown; do
    recorded=$(awk -v shown="$shown" 'substr($0, index($0, " ") + 1) == shown { print $1; exit }' "$pictures/recorded-times")
    [ -n "$recorded" ] || fail "the watched game showed $shown, which the game never did"
    echo "$at $recorded $shown"
done < "$pictures/watched-times" > "$pictures/lags"
read -r compared spread < <(awk '{ lag = $1 - $2; if (NR == 1 || lag < low) low = lag; if (NR == 1 || lag > high) high = lag }
    END { printf "%d %.3f\n", NR, high - low }' "$pictures/lags")
[ "$compared" -ge 4 ] || fail "only $compared status lines were seen while watching: $(cat "$pictures/lags")"
awk -v s="$spread" 'BEGIN { exit !(s < 1) }' ||
    fail "the status lines' lags behind the journal's times differ by $spread s (seen, journal's, line): $(cat "$pictures/lags")"

# Three times as fast: the same status lines, the whole game in well under
# half the time it took.
span() { awk 'NR == 1 { first = $1 } { last = $1 } END { printf "%.3f", last - first }' "$1"; }
watch --speed 3
spy_captions "$pictures/fast-captions"
wait_for_end
[ "$code" = 0 ] || fail "watching three times as fast ended with $code: $(cat "$pictures/watched")"
fast=$(span "$pictures/fast-captions") recorded=$(span "$pictures/journal-captions")
awk -v f="$fast" -v r="$recorded" 'BEGIN { exit !(f < r / 2) }' ||
    fail "three times as fast, the status lines took $fast s, and $recorded s in the game"

# Escape stops the watching.
watch
await_frames 4 "the watched clock did not run" caption_matches " - Time: 2:5[0-9] - "
x_client xdotool windowfocus --sync "$window" key Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the watching with $code"
grep -q "^stopped watching" "$pictures/watched" || fail "Escape did not stop the watching: $(cat "$pictures/watched")"

for file in "$before"/*; do
    cmp -s "$file" "$(basename "$file")" || fail "watching changed $(basename "$file")"
done
[ ! -e Kubrask.data ] || fail "watching stored a best score"
[ "$(ls Kubrask.journal* | wc -l)" = "$(ls "$before"/Kubrask.journal* | wc -l)" ] || fail "watching kept a journal"
echo "ok: $(wc -c < Kubrask.journal)-byte journal replayed as recorded; watched, $compared status lines with lags behind the journal's times within $spread s of each other; faster; nothing changed"
