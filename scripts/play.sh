#!/usr/bin/env bash
# Installs what is missing, builds Kubrask and starts it.
#   play.sh       for Linux, in the current display
#   play.sh web     in the browser: builds the site and serves it on
#                   http://127.0.0.1:8000/ (or the port in PORT) until Ctrl+C
#   play.sh server  the same, served by the score server, which keeps its
#                   table in build/linux/server-data (or DATA)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = server ]; then
    bash scripts/setup.sh server
    cmake --preset web
    cmake --build --preset web --target kubrask
    cmake --preset linux
    cmake --build --preset linux --target kubrask_server
    echo "Point your browser at http://127.0.0.1:${PORT:-8000}/ to play, and at /scores for the best scores; Ctrl+C stops the server."
    exec build/linux/kubrask-server --site build/web/site --port "${PORT:-8000}" --data "${DATA:-build/linux/server-data}"
fi

if [ "${1:-}" = web ]; then
    bash scripts/setup.sh web
    cmake --preset web
    cmake --build --preset web --target kubrask
    echo "Point your browser at http://127.0.0.1:${PORT:-8000}/ to play; Ctrl+C stops the server."
    exec node scripts/serve.mjs build/web/site "${PORT:-8000}"
fi

bash scripts/setup.sh
cmake --preset linux
cmake --build --preset linux --target kubrask

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kubrask is built (build/linux/kubrask), but there is no display to play it on." >&2
    exit 1
fi
cd build/linux  # the game keeps its files in the folder it runs in
exec ./kubrask
