#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the build's own, making the
# prefix first if it is not there yet: 32-bit or 64-bit as WINEARCH says
# (win32 when it says nothing). Skipped where Wine cannot run it here.
# Wine's own errors are kept on standard error, where a test shows them when
# it fails; a step of making the prefix that fails says so.
#
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/wine_skip.sh"

export WINEPREFIX=$(realpath -m "$1") WINEARCH=${WINEARCH:-win32}
export WINEDEBUG=${WINEDEBUG:-fixme-all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
shift
skip_unless_wine_runs "$1"

# Runs a step of making the prefix, its output kept apart from the program's
# on standard error; says so if it fails.
making() {
    local status=0 started=$SECONDS
    "$@" >&2 || status=$?
    [ "$status" = 0 ] && return
    echo "wine_run.sh: \"$*\" ended with $status after $((SECONDS - started)) s, making $WINEPREFIX" >&2
    exit "$status"
}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    making wineboot -i
    # Without a window manager, managed windows wait 2 s for every hide.
    making wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    making wineserver -w
fi
exec wine "$@"
