#!/usr/bin/env bash
# Starts the sanitizer build of the game as a player would, on an X server of
# its own, quits it with Escape and requires exit code 0: with leak detection
# on, a leak the game has not let go of by then ends it with 1.
#
#   quit_test.sh GAME X_CLOSE
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

if [ -z "${KUBRASK_INSIDE_XVFB:-}" ]; then
    export KUBRASK_INSIDE_XVFB=1
    exec xvfb-run -n $((100 + $$ % 800)) -a -s "-screen 0 1024x768x24 -fp built-ins" bash "$0" "$@"
fi
# Only what the game itself reads: no suppressions but its own.
unset LSAN_OPTIONS
export ASAN_OPTIONS=detect_leaks=1
source "$(dirname "$0")/common.sh" native "$@"

launch "Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0"
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the sanitizer build with $code"
echo "ok: the sanitizer build quits with 0"
