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

# Every wait below ends when the awaited thing happens, however slow the
# machine: frames under the sanitizers and a software renderer, a first start
# under Wine. The test gives up only when its own time (ctest's TIMEOUT, as
# KUBRASK_TIME_LIMIT; ten minutes for a test run by hand) is nearly out, and
# then says what it saw.
give_up_at=$((SECONDS + ${KUBRASK_TIME_LIMIT:-600} - 10))
in_time() { [ "$SECONDS" -lt "$give_up_at" ]; }

# Runs the X client $@ (xdotool, xwininfo, xwd, xprop, xmodmap). This X
# server can turn away a fresh connection that comes just as another one
# closes, as the game's own start knows; the client is then run again.
x_client() {
    local said status
    for (( ; ; )); do
        status=0
        { said=$("$@" 2>&1 >&3 3>&-); } 3>&1 || status=$?
        if [ "$status" != 0 ] && [[ "$said" == *"open display"* ]] && in_time; then
            sleep 0.05
            continue
        fi
        [ -z "$said" ] || echo "$said" >&2
        return "$status"
    done
}

# The characters the tests type have keys from the start: xdotool would
# otherwise map a spare key to one only for the moment it types it, and a
# program that reads the keymap late (Wine) can miss the change.
x_client xmodmap -e "keycode 93 = ediaeresis Ediaeresis"

mode=$1 game=$(realpath "$2") helper=$3
wine_run=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../wine_run.sh")
work=$(mktemp -d)
errors=$(mktemp)  # what the game says on standard error, kept out of its folder
pictures=$(mktemp -d)  # the game's pictures, kept out of its folder too
pid="" code=""
# A script adds its own clean-up to at_exit.
at_exit=""
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work" "$errors" "$pictures"; eval "$at_exit"' EXIT
cd "$work"
# The art, as the build lays it out beside the game; an installed game
# brings its own.
if [ -d "$(dirname "$game")/Data" ]; then cp -r "$(dirname "$game")/Data" .; fi

# Runs the command $2... until it succeeds; fails with $1 if the time runs out.
await() {
    local failure=$1
    shift
    until "$@"; do
        in_time || fail "$failure"
        sleep 0.1
    done
}

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
    x_client xdotool search --maxdepth 1 --onlyvisible --name '' 2>/dev/null || true
}
# Whether a window is viewable now that was not among the ids $1.
opened_since() {
    local id
    for id in $(viewable_windows); do
        grep -qxF "$id" <<<"$1" || return 0
    done
    return 1
}
on_screen() {
    local id name shown=""
    for id in $(viewable_windows); do
        name=$(x_client xdotool getwindowname "$id" 2>/dev/null | head -n 1) || true
        [ -n "$name" ] && shown+=" \"$name\""
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

# The id of the first viewable window whose name matches the extended regular
# expression $1, or nothing.
window_now() {
    local id
    for id in $(x_client xdotool search --onlyvisible --name "$1" 2>/dev/null || true); do
        # xdotool matches names whatever their case.
        if [[ "$(x_client xdotool getwindowname "$id" 2>/dev/null)" =~ $1 ]]; then
            echo "$id"
            return
        fi
    done
}

# Prints the id of the first viewable window whose name matches $1 as soon as
# there is one; nothing once the game has ended, or when the time is out.
# xdotool watches for it through a single connection to the X server, held
# until one is there: a look that opens and closes a connection of its own
# can make the X server turn away the connection the game, or Wine's
# desktop, opens at that moment.
find_window() {
    local id watcher
    for (( ; ; )); do
        xdotool search --sync --onlyvisible --name "$1" > /dev/null 2>&1 &
        watcher=$!
        while kill -0 "$watcher" 2>/dev/null && kill -0 "$pid" 2>/dev/null && in_time; do sleep 0.1; done
        kill "$watcher" 2>/dev/null || true
        wait "$watcher" 2>/dev/null || true
        id=$(window_now "$1")
        if [ -n "$id" ]; then
            echo "$id"
            return
        fi
        kill -0 "$pid" 2>/dev/null && in_time || return 0
        sleep 0.1
    done
}

# True when no viewable window's name matches $1.
gone() { [ -z "$(window_now "$1")" ]; }

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

# The window that holds the game's client area: under Wine, which draws the
# frame itself, the OpenGL client area is a child window.
client_window() {
    if [ "$mode" = wine ]; then
        x_client xwininfo -id "$window" -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*: ()  [0-9]*x[0-9]*+.*/\1/p' | head -n 1
    else
        echo "$window"
    fi
}

client_size() {
    local client
    client=$(client_window)
    [ -n "$client" ] && x_client xwininfo -id "$client" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# Starts the game in the scratch folder and waits for its window, captioned
# to match $1, with its 800 x 600 client area (Wine adds the OpenGL child
# late); sets pid, window and size (WxH).
launch() {
    start_game
    window=$(find_window "^$1\$")  # a first run under Wine makes its prefix first
    [ -n "$window" ] || fail "no window captioned \"$1\""
    for (( ; ; )); do
        size=$(client_size) || true
        [ "$size" = 800x600 ] && return
        in_time || fail "the client area is ${size:-missing}, not 800x600"
        sleep 0.1
    done
}

# Sets code to the game's exit code once it has ended.
wait_for_end() {
    code=""
    await "the game did not end" game_ended
}

# The game's picture, its client area, into file $1; false once its window
# is gone. The walker never stops spinning, so each frame the game draws
# changes it.
picture() {
    local client
    client=$(client_window)
    [ -n "$client" ] && x_client xwd -id "$client" -silent > "$1" 2>/dev/null
}

# Whether pictures $1 and $2 have the same pixels; the caption, in the
# header, may change within a frame.
same_pixels() {
    local skip1 skip2
    skip1=$(od -An -tu1 -N4 "$1" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
    skip2=$(od -An -tu1 -N4 "$2" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}')
    cmp -s -i "$skip1:$skip2" "$1" "$2"
}

# Waits for the game to draw a frame after picture $1 was taken, and keeps
# the new picture in $1; false once the game's window is gone.
next_frame() {
    local since=$SECONDS
    for (( ; ; )); do
        picture "$1.next" || return 1
        if ! same_pixels "$1" "$1.next"; then
            mv "$1.next" "$1"
            return 0
        fi
        in_time || fail "the game drew no frame in $((SECONDS - since)) s"
        sleep 0.05
    done
}

# Runs the command $3... after each frame the game draws, until it succeeds;
# fails with $2 (and what the command left in saw) when it still does not
# once $1 s have gone by: that much of the game's own time, however slow its
# frames.
await_frames() {
    local seconds=$1 failure=$2 since=$SECONDS
    shift 2
    saw=""
    picture "$pictures/awaited" || fail "$failure; the game's window is gone"
    until "$@"; do
        [ $((SECONDS - since)) -le "$seconds" ] || fail "$failure${saw:+: $saw}"
        next_frame "$pictures/awaited" || fail "$failure; the game's window is gone"
    done
}

# The game window's caption, and whether it matches $1 (if not, saw says
# what it was).
caption() { x_client xdotool getwindowname "$window"; }
caption_matches() {
    saw="the caption is \"$(caption)\""
    [[ "$(caption)" =~ $1 ]]
}

# Presses key $2 in window $1 as a player does. The game looks at its keys
# once a frame, after reading every message that came, so a key let go
# before its next frame would go unseen. In the game's window the key is held
# until the game has drawn a frame after one drawn since the key went down:
# the later frame began with the key down, however slow the frames are. A
# key that opens a box or ends the game has been seen already when the box
# is up or the window gone. A box takes its keys as they come.
press() {
    local frames=0 since=$SECONDS before
    before=$(viewable_windows)
    x_client xdotool windowfocus --sync "$1" keydown "$2"
    if [ "$1" = "${window:-}" ]; then
        picture "$pictures/pressed" || frames=2
        while [ "$frames" -lt 2 ]; do
            picture "$pictures/now" || break
            if ! same_pixels "$pictures/pressed" "$pictures/now"; then
                mv "$pictures/now" "$pictures/pressed"
                frames=$((frames + 1))
                continue
            fi
            opened_since "$before" && break
            in_time || fail "the game drew no frame in $((SECONDS - since)) s with $2 down"
            sleep 0.05
        done
    else
        sleep 0.1
    fi
    x_client xdotool keyup "$2"
}
