#!/usr/bin/env bash
# Installs what is missing, builds Kubrask for Linux and starts it in the
# current display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset linux
cmake --build --preset linux --target kubrask

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kubrask is built (build/linux/kubrask), but there is no display to play it on." >&2
    exit 1
fi
cd build/linux  # the game keeps its files in the folder it runs in
exec ./kubrask
