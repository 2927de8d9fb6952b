#!/usr/bin/env bash
# Runs a Windows program under Wine in a 32-bit prefix of the build's own,
# making the prefix first if it is not there yet.
#
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail

export WINEPREFIX=$(realpath -m "$1") WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
shift
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    # Without a window manager, managed windows wait 2 s for every hide.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi
exec wine "$@"
