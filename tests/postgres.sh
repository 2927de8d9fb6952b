#!/usr/bin/env bash
# A PostgreSQL of the tests' own, in a folder of its own under /tmp, on a
# free port of 127.0.0.1, run as an unprivileged user (PostgreSQL refuses to
# run as root, and CI runs as root: then as nobody). It trusts connections
# from this machine to its one user, kubrask.
#
#   postgres.sh start FILE    starts one; FILE then holds its folder, whose
#                             url file holds postgresql://kubrask@127.0.0.1:PORT/postgres
#   postgres.sh stop FILE     stops it (fast), and removes its folder
#   postgres.sh pause FOLDER  stops it, keeping everything
#   postgres.sh resume FOLDER starts it again on its port
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}
start() {  # FOLDER PORT
    as_owner "$bin/pg_ctl" -D "$1/data" -l "$1/log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -p $2 -k $1 -c max_connections=200 -c fsync=on" start >/dev/null
}

case "$1" in
start)
    folder=$(mktemp -d /tmp/kubrask-postgres-XXXXXX)
    [ "$(id -u)" != 0 ] || chown nobody "$folder"
    as_owner "$bin/initdb" -D "$folder/data" -U kubrask --auth=trust -E UTF8 --no-locale >"$folder/initdb.log" 2>&1 ||
        { echo "initdb failed: $(tail -n 5 "$folder/initdb.log")" >&2; exit 1; }
    # A port nobody listens on: the first that PostgreSQL takes.
    for try in $(seq 1 20); do
        port=$((20000 + (RANDOM % 20000)))
        if start "$folder" "$port" 2>/dev/null; then
            echo "$port" > "$folder/port"
            echo "postgresql://kubrask@127.0.0.1:$port/postgres" > "$folder/url"
            echo "$folder" > "$2"
            echo "PostgreSQL in $folder on 127.0.0.1:$port"
            exit 0
        fi
    done
    echo "PostgreSQL did not start: $(tail -n 5 "$folder/log" 2>/dev/null)" >&2
    exit 1
    ;;
stop)
    folder=$(cat "$2" 2>/dev/null) || exit 0
    as_owner "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$folder" "$2"
    ;;
pause)
    as_owner "$bin/pg_ctl" -D "$2/data" -m fast -w stop >/dev/null
    ;;
resume)
    start "$2" "$(cat "$2/port")"
    ;;
*)
    echo "usage: postgres.sh start|stop FILE, or pause|resume FOLDER" >&2
    exit 2
    ;;
esac
