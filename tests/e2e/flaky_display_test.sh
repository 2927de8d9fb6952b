#!/usr/bin/env bash
# A busy X server can hang up on a fresh connection before it says hello.
# The game, started on a display that drops its first two connections,
# tries again and opens its window; Escape ends it with 0.
#
#   flaky_display_test.sh native GAME X_CLOSE FLAKY_DISPLAY
set -euo pipefail
[ -n "${KUBRASK_TRACE:-}" ] && set -x

flaky=$(realpath "$4")
source "$(dirname "$0")/common.sh"

# A display number of its own for the flaky one, which lets in whoever the
# real server lets in.
real=${DISPLAY#:}
for flaky_number in $(seq $((real + 1)) $((real + 100))); do
    [ -e "/tmp/.X11-unix/X$flaky_number" ] || break
done
xauth add ":$flaky_number" . "$(xauth list "$DISPLAY" | awk '{print $3; exit}')"
"$flaky" "$flaky_number" "$real" 2 > connections &
flaky_pid=$!
at_exit='kill $flaky_pid 2>/dev/null; rm -f /tmp/.X11-unix/X$flaky_number'
await "the flaky display never listened on :$flaky_number" test -S "/tmp/.X11-unix/X$flaky_number"

DISPLAY=:$flaky_number start_game
window=$(find_window "^Kubrask - Time: [0-3]:[0-5][0-9] - Score: 0\$")
[ -n "$window" ] || fail "no window on a display that dropped two connections; it saw: $(tr '\n' ' ' < connections)"
grep -q "^dropped 2$" connections || fail "the display dropped no two connections: $(tr '\n' ' ' < connections)"
press "$window" Escape
wait_for_end
[ "$code" = 0 ] || fail "Escape ended the game with $code"
echo "ok: the game opened its window after the display dropped two connections: $(tr '\n' ' ' < connections)"
