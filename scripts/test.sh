#!/usr/bin/env bash
# Installs what is missing, builds Kubrask for Linux, for Linux under the
# address and undefined-behaviour sanitizers, and for 32-bit Windows, and
# runs every test: the Windows build under Wine. Tests needing a display
# start their own X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh test
for preset in linux linux-asan win32; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done
ctest --preset win32
ctest --preset linux-asan -j2
ctest --preset linux -j2
