#!/usr/bin/env bash
# Plays every journal kept in FOLDER again, each a whole game recorded on
# Linux or in a browser, and holds what the replay says against what it
# said when the journal was kept (NAME.expected beside NAME.journal): the
# last line (frames, score, final state, "as recorded": the state agreed
# with every check the recording made), and a digest of the state after
# every frame. So each build, natively or as WebAssembly under Node, plays
# each game to the same state at every frame.
#
#   replay_journals.sh FOLDER REPLAY...           checks (REPLAY: kubrask-replay, or node kubrask-replay.js)
#   replay_journals.sh --keep FOLDER REPLAY...    writes the .expected files
set -euo pipefail

keep=false
if [ "$1" = --keep ]; then keep=true; shift; fi
folder=$(realpath "$1")
shift
# What a replay says on standard error (its boxes' lines, a refusal) is kept
# apart: standard output to a pipe is written in blocks, and a line written
# between two blocks would split a frame's line.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
played=0
for journal in "$folder"/*.journal; do
    [ -e "$journal" ] || break
    name=$(basename "$journal")
    status=0
    output=$("$@" "$journal" --frames 2>"$errors") || status=$?
    [ "$status" = 0 ] || { echo "FAIL: $name did not play again (exit $status): $(tail -n 3 "$errors")"; exit 1; }
    said="$(grep -v '^frame ' <<<"$output" | tail -n 1 | sed "s|$journal|$name|")
frames $(grep '^frame ' <<<"$output" | sha256sum | cut -d' ' -f1)"
    expected=${journal%.journal}.expected
    if $keep; then
        printf '%s\n' "$said" > "$expected"
    elif [ "$said" != "$(cat "$expected")" ]; then
        echo "FAIL: $name played again as"
        echo "$said" | sed 's/^/  /'
        echo "and was kept as"
        sed 's/^/  /' "$expected"
        exit 1
    fi
    echo "ok: $(head -n 1 <<<"$said")"
    played=$((played + 1))
done
[ "$played" -gt 0 ] || { echo "FAIL: no journals in $folder"; exit 1; }
