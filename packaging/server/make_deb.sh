#!/usr/bin/env bash
# Makes kubrask-server's Debian package from the build: the server and its
# verifier in /usr/lib/kubrask-server (the server on the PATH through a
# link), the site (from the browser's build) and the art in
# /usr/share/kubrask-server, the systemd service, the manual page, the
# copyright and the changelog. Its dependencies are found by dpkg-shlibdeps.
#
#   make_deb.sh BUILD SITE CONFIGURED OUT.deb VERSION
#     BUILD       the Linux build (kubrask-server, kubrask-verify, Data/)
#     SITE        the built site (build/web/site)
#     CONFIGURED  the man page, changelog and copyright as the build made them
set -euo pipefail

build=$(realpath "$1") site=$2 configured=$(realpath "$3") out=$4 version=$5
here=$(dirname "$(realpath "$0")")
[ -f "$site/index.html" ] || { echo "make_deb.sh: no site in $site: build the web preset first" >&2; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
install -d "$root/usr/lib/kubrask-server" "$root/usr/bin" "$root/usr/share/kubrask-server" \
    "$root/usr/lib/systemd/system" "$root/usr/share/man/man8" "$root/usr/share/doc/kubrask-server" "$root/DEBIAN"
install -m 0755 -s "$build/kubrask-server" "$build/kubrask-verify" "$root/usr/lib/kubrask-server/"
strip --remove-section=.comment "$root/usr/lib/kubrask-server/"*
ln -s ../lib/kubrask-server/kubrask-server "$root/usr/bin/kubrask-server"
cp -r "$build/Data" "$root/usr/share/kubrask-server/Data"
cp -r "$site" "$root/usr/share/kubrask-server/site"
install -m 0644 "$here/kubrask-server.service" "$root/usr/lib/systemd/system/"
gzip -9n < "$configured/kubrask-server.8" > "$root/usr/share/man/man8/kubrask-server.8.gz"
gzip -9n < "$configured/changelog" > "$root/usr/share/doc/kubrask-server/changelog.gz"
install -m 0644 "$configured/copyright" "$root/usr/share/doc/kubrask-server/copyright"
find "$root" -type d -exec chmod 0755 {} +
find "$root/usr/share" -type f -exec chmod 0644 {} +

# What the programs link to, as the package's dependencies.
mkdir -p "$stage/debian"
printf 'Source: kubrask-server\n\nPackage: kubrask-server\nArchitecture: any\n' > "$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O root/usr/lib/kubrask-server/kubrask-server root/usr/lib/kubrask-server/kubrask-verify |
          sed -n 's/^shlibs:Depends=//p')
cat > "$root/DEBIAN/control" <<CONTROL
Package: kubrask-server
Version: $version
Architecture: $(dpkg --print-architecture)
Maintainer: The Kubrask developers <kubrask@example.org>
Installed-Size: $(du -sk "$root/usr" | cut -f1)
Depends: $depends
Section: net
Priority: optional
Homepage: https://kubrask.example.com/
Description: site and proven table of best scores for the Kubrask dice puzzle
 Serves Kubrask's site (the game in the browser) with tables of best
 scores, all time and each day's, and a small JSON API. Every game sent to
 it is played again, whole, from its journal before it is entered, with
 the score the replay reached. It keeps its data in SQLite, or in a
 PostgreSQL database that several servers share, and comes with a systemd
 service.
CONTROL
(cd "$root" && find usr -type f -exec md5sum {} + | sort -k 2 > DEBIAN/md5sums)
mkdir -p "$(dirname "$out")"
dpkg-deb --root-owner-group --build "$root" "$out" >/dev/null
echo "made $out"
