#!/usr/bin/env bash
# A journal that cannot be played gives one line and its exit code, never a
# crash (run on the sanitizer build too): a missing file, bytes that are no
# journal and a changed byte are refused (2); cut within a chunk it is
# refused as cut short (2), and cut where a chunk ends it plays to there and
# says that its game went on (3).
#
#   replay_refusals.sh REPLAY JOURNAL
set -euo pipefail

replay=$1 journal=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

said="" status=0
run() {
    status=0
    said=$("$replay" "$1" 2>&1) || status=$?
}
expect() {  # CODE PATTERN FILE
    run "$3"
    [ "$status" = "$1" ] && [[ "$said" =~ $2 ]] ||
        { echo "FAIL: $(basename "$3") gave exit $status, not $1, and said: $said"; exit 1; }
}

expect 2 "cannot read .*missing.journal" "$scratch/missing.journal"
printf 'RIFF\x24\x00\x00\x00WAVE' > "$scratch/other.journal"
expect 2 "other.journal is not a Kubrask journal" "$scratch/other.journal"
size=$(stat -c %s "$journal")
cp "$journal" "$scratch/damaged.journal"
printf '\x55' | dd of="$scratch/damaged.journal" bs=1 seek=$((size / 2)) conv=notrunc status=none
expect 2 "damaged.journal is (damaged in the chunk at bytes|cut short at byte)" "$scratch/damaged.journal"

# Cut at each of its last 16 bytes, then where its last chunk starts, which
# the refusals name: there the journal ends between two seconds of the game.
for ((cut = size - 1; cut >= size - 16; cut--)); do
    head -c "$cut" "$journal" > "$scratch/cut.journal"
    expect 2 "cut.journal is cut short at byte $cut, in the chunk that starts at byte [0-9]+$" "$scratch/cut.journal"
done
start=${said##* }
head -c "$start" "$journal" > "$scratch/cut.journal"
expect 3 "cut.journal ends at frame [0-9]+, before its game did" "$scratch/cut.journal"
echo "ok: refused, damaged, cut at each of the last 16 bytes of $size, and cut at byte $start, where a chunk ends"
