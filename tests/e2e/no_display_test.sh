#!/usr/bin/env bash
# Started where there is no display, the game says so on standard error and
# ends with a code other than 0 at once, instead of running unseen.
#
#   no_display_test.sh GAME
set -euo pipefail
game=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
code=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$work" timeout 5 "$game" 2> said || code=$?
[ "$code" != 124 ] || { echo "FAIL: the game was still running after 5 s" >&2; exit 1; }
[ "$code" != 0 ] || { echo "FAIL: the game ended with 0" >&2; exit 1; }
grep -q "^Kubrask needs a display: " said || { echo "FAIL: it said \"$(cat said)\"" >&2; exit 1; }
echo "ok: without a display the game says \"$(head -n 1 said)\" and ends with $code"
