#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of the build's own, making the
# prefix first if it is not there yet: 32-bit or 64-bit as WINEARCH says
# (win32 when it says nothing). Skipped where Wine cannot run it here.
#
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/wine_skip.sh"

export WINEPREFIX=$(realpath -m "$1") WINEARCH=${WINEARCH:-win32} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
shift
skip_unless_wine_runs "$1"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    # Without a window manager, managed windows wait 2 s for every hide.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi
exec wine "$@"
