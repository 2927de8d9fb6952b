#!/usr/bin/env bash
# kubrask-server's package, as a host gets it:
# - lintian finds no error in it;
# - systemd-analyze verify takes its service, whose user is made for it
#   (DynamicUser) and which can write nothing but /var/lib/kubrask-server;
# - unpacked into a scratch root (as dpkg would put it under /), the server
#   on the PATH starts with its data in a scratch folder, finds its site and
#   art in the package, serves the game's page and its API on loopback, and
#   enters a game sent to it.
#
#   server_deb_test.sh PACKAGE.deb JOURNAL PLAN   (the journal of the game PLAN plans)
set -euo pipefail

deb=$(realpath "$1") journal=$(realpath "$2")
score=$(sed -n 's/^score=//p' "$3")
work=$(mktemp -d)
server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

lintian --fail-on error --display-info "$deb" || fail "lintian reports errors in $deb"

dpkg-deb -x "$deb" "$work/root"
unit=$work/root/usr/lib/systemd/system/kubrask-server.service
[ -f "$unit" ] || fail "the package has no usr/lib/systemd/system/kubrask-server.service"
# Beside this machine's own units, which the service's depend on (its manual
# page is checked for below, in the package).
cp -rn /usr/lib/systemd/system/. "$work/root/usr/lib/systemd/system/"
said=$(systemd-analyze verify --man=no --root="$work/root" "$unit" 2>&1) || fail "systemd-analyze verify: $said"
[ -z "$said" ] || fail "systemd-analyze verify says: $said"
grep -qx 'DynamicUser=yes' "$unit" || fail "the service does not run as a user of its own"
grep -qx 'ProtectSystem=strict' "$unit" || fail "the service may write outside its data"
grep -qx 'StateDirectory=kubrask-server' "$unit" || fail "the service keeps its data elsewhere than /var/lib/kubrask-server"
[ -f "$work/root/usr/share/man/man8/kubrask-server.8.gz" ] || fail "the package has no manual page"

# Started from the package, on a port of its choosing.
"$work/root/usr/bin/kubrask-server" --data "$work/data" --port 0 > "$work/said" 2>&1 &
server=$!
for (( tries = 0; tries < 300; tries++ )); do
    grep -q 'http://127.0.0.1:' "$work/said" && break
    kill -0 "$server" 2>/dev/null || fail "the server ended at its start: $(cat "$work/said")"
    sleep 0.1
done
port=$(sed -n 's|.*http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/said")
[ -n "$port" ] || fail "the server did not say where it listens: $(cat "$work/said")"
# A request over bash's own TCP, and the answer whole.
ask() {  # METHOD TARGET [BODY_FILE]
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    if [ -n "${3:-}" ]; then
        printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Length: %s\r\n\r\n' "$1" "$2" "$(stat -c %s "$3")" >&3
        cat "$3" >&3
    else
        printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' "$1" "$2" >&3
    fi
    cat <&3
    exec 3<&-
}
page=$(ask GET /)
[[ "$page" == "HTTP/1.1 200 "* && "$page" == *"kubrask.js"* ]] || fail "the game's page was not served: ${page:0:300}"
api=$(ask GET /api/)
[[ "$api" == *'"server":"kubrask-server"'* ]] || fail "/api/ said: $api"
sent=$(ask POST /api/games "$journal")
[[ "$sent" == "HTTP/1.1 201 "* && "$sent" == *"\"score\":$score,"* ]] || fail "the game sent was not entered with its score $score: $sent"
echo "ok: lintian and systemd-analyze verify take the package and its service; run from it, the server served the game and entered a game"
