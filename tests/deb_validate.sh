#!/usr/bin/env bash
# Runs Debian's and the desktops' own checkers on the package: lintian on
# the .deb (no errors; its warnings and notes are shown), and
# desktop-file-validate and appstreamcli on the menu entry and the AppStream
# file inside it.
#
#   deb_validate.sh PACKAGE.deb
set -euo pipefail

deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
status=0

desktop=$root/usr/share/applications/kubrask.desktop
metainfo=$(echo "$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "$desktop" ] || { echo "FAIL: no usr/share/applications/kubrask.desktop"; status=1; }
[ -f "$metainfo" ] || { echo "FAIL: no usr/share/metainfo/*.metainfo.xml"; status=1; }
desktop-file-validate "$desktop" || { echo "FAIL: desktop-file-validate"; status=1; }
appstreamcli validate --no-net --explain "$metainfo" || { echo "FAIL: appstreamcli validate"; status=1; }
# The menu entry's icon is there at every size, and the AppStream file, the
# menu entry and the icons agree.
for size in 16 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/kubrask.png" ] ||
        { echo "FAIL: no ${size}x${size} icon"; status=1; }
done
appstreamcli validate-tree --no-net --explain "$root" || { echo "FAIL: appstreamcli validate-tree"; status=1; }
lintian --fail-on error --display-info "$deb" || { echo "FAIL: lintian reports errors"; status=1; }
exit $status
