#!/usr/bin/env bash
# Installs what is missing, builds Kubrask for Linux, for Linux under the
# address and undefined-behaviour sanitizers, and for 32-bit Windows, and
# runs every test: the Windows build under Wine. Tests needing a display
# start their own X server. The bitmap loader is also fuzzed for a while.
# The Linux and Windows tests also make the packages (a .deb; a zip and an
# installer, in build/*/packages) and try them; the sanitizer build makes none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh test
for preset in linux linux-asan win32 fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done

# The bitmap loader under libFuzzer for 45 seconds, from the small files in
# fuzz/corpus; what it finds on the way is kept in build/fuzz/corpus, and the
# input of any failure in build/fuzz.
mkdir -p build/fuzz/corpus
build/fuzz/bitmap_loader_fuzz -max_total_time=45 -artifact_prefix=build/fuzz/ build/fuzz/corpus fuzz/corpus

ctest --preset win32 -j2
ctest --preset linux-asan -j2
ctest --preset linux -j2
