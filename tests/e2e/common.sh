# The pieces the end-to-end scripts share: an X server of their own, a
# scratch folder laid out as a player's, starting the game and finding its
# windows, keys pressed as a player presses them.
#
# A script sources this file first, with its arguments:
#   MODE GAME HELPER   MODE is native (HELPER: x_close, asks a window to close)
#                      or wine (HELPER: the Wine prefix, as wide as WINEARCH says)

if [ -z "${KUBRASK_INSIDE_XVFB:-}" ]; then
    if [ "$1" = wine ]; then
        source "$(dirname "${BASH_SOURCE[0]}")/../wine_skip.sh"
        skip_unless_wine_runs "$2"
    fi
    export KUBRASK_INSIDE_XVFB=1
    # The X server's own messages, with any connection it turned away, shown
    # when a check fails.
    KUBRASK_XVFB_LOG=$(mktemp)
    export KUBRASK_XVFB_LOG
    # A display number of its own, away from any other server's.
    status=0
    xvfb-run -n $((100 + $$ % 800)) -a -e "$KUBRASK_XVFB_LOG" -s "-screen 0 1024x768x24 -fp built-ins -audit 1" \
        bash "$0" "$@" || status=$?
    rm -f "$KUBRASK_XVFB_LOG"
    exit "$status"
fi

# The characters the tests type have keys from the start: xdotool would
# otherwise map a spare key to one only for the moment it types it, and a
# program that reads the keymap late (Wine) can miss the change.
xmodmap -e "keycode 93 = ediaeresis Ediaeresis"

mode=$1 game=$(realpath "$2") helper=$3
wine_run=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../wine_run.sh")
work=$(mktemp -d)
errors=$(mktemp)  # what the game says on standard error, kept out of its folder
pid="" code=""
# A script adds its own clean-up to at_exit.
at_exit=""
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work" "$errors"; eval "$at_exit"' EXIT
cd "$work"
# The art, as the build lays it out beside the game; an installed game
# brings its own.
if [ -d "$(dirname "$game")/Data" ]; then cp -r "$(dirname "$game")/Data" .; fi

# Whether the game has ended; if so, its exit code in code (once only).
game_ended() {
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && return 1
    if [ -n "$pid" ]; then
        code=0
        wait "$pid" || code=$?
        pid=""
    fi
}

# The viewable top-level windows: their ids, one a line, and their names as
# a failure reports them.
viewable_windows() {
    local id
    for id in $(xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) ".*/\1/p'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then echo "$id"; fi
    done
}
on_screen() {
    local id shown=""
    for id in $(viewable_windows); do
        shown+=" \"$(xdotool getwindowname "$id" 2>/dev/null | head -n 1)\""
    done
    echo "${shown:- none}"
}

# What the game says on standard error (every box it shows is there too, and
# under Wine, Wine's own errors), shown when a check fails with what the test
# saw.
fail() {
    local game_was="no game running"
    [ -n "$pid" ] && game_was="the game is running"
    game_ended && [ -n "$code" ] && game_was="the game has ended with $code"
    echo "FAIL: $*" >&2
    echo "  seen $SECONDS s into the test: $game_was; windows on the screen:$(on_screen)" >&2
    [ -s "$errors" ] && sed 's/^/  game: /' "$errors" >&2
    [ -s "${KUBRASK_XVFB_LOG:-}" ] && sed 's/^/  X server: /' "$KUBRASK_XVFB_LOG" >&2
    exit 1
}

# Prints the id of the first viewable window whose name matches the extended
# regular expression $1, waiting up to $2 seconds (10 if not given); prints
# nothing when there is none by then, or when the game has ended.
find_window() {
    local tries=$((${2:-10} * 10)) id name
    for _ in $(seq "$tries"); do
        while read -r id name; do
            if [[ "$name" =~ $1 ]] && xwininfo -id "$id" | grep -q "Map State: IsViewable"; then
                echo "$id"
                return
            fi
        done < <(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": .*/\1 \2/p')
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
}

# Starts the game in the scratch folder, its standard error kept in $errors;
# sets pid.
start_game() {
    if [ "$mode" = wine ]; then
        bash "$wine_run" "$helper" "$game" 2>>"$errors" &
    else
        "$game" 2>>"$errors" &
    fi
    pid=$!
}

# Starts the game in the scratch folder and waits for its window, captioned
# to match $1; sets pid, window and size (its client area, as WxH).
launch() {
    start_game
    window=$(find_window "^$1\$" 120)  # a first run under Wine makes its prefix first
    [ -n "$window" ] || fail "no window captioned \"$1\""
    # The window may still be on its way up (Wine adds the OpenGL child late).
    for _ in $(seq 100); do
        size=$(client_size)
        [ "$size" = 800x600 ] && break
        sleep 0.1
    done
}

# Sets code to the game's exit code, or fails if it does not end within 20 s.
wait_for_end() {
    for _ in $(seq 200); do
        if ! kill -0 "$pid" 2>/dev/null; then
            code=0
            wait "$pid" || code=$?
            pid=""
            return
        fi
        sleep 0.1
    done
    fail "the game did not end"
}

client_size() {
    if [ "$mode" = wine ]; then
        # Wine draws the frame itself; the OpenGL client area is a child window.
        xwininfo -id "$window" -children | sed -n 's/^ *0x[0-9a-f]* .*: ()  \([0-9]*x[0-9]*\)+.*/\1/p' | head -n 1
    else
        xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
    fi
}

# Holds key $2 down in window $1 for $3 seconds (0.3 if not given), as a
# player does: the game looks at the keys between frames, so a press and
# release that arrive together would go unseen. Then lets the game catch up.
press() {
    xdotool windowfocus --sync "$1" keydown "$2"
    sleep "${3:-0.3}"
    xdotool keyup "$2"
    sleep 0.5
}
