#!/usr/bin/env bash
# Installs what is missing, builds Kubrask for Linux (with the score
# server), for Linux under the address and undefined-behaviour sanitizers,
# for 32-bit and 64-bit Windows and for the browser, and runs every test:
# the Windows builds under Wine (those of the 32-bit build skip where this
# machine cannot run 32-bit programs), the browser's in Chromium (headless),
# Firefox ESR and Node, the score server's on loopback. Tests needing a
# display start their own X server. The file readers and the score server's
# submissions are also fuzzed for a while. The tests also make the packages (a .deb; a zip and an installer
# for each Windows build; the site's zip; in build/*/packages) and try them;
# the sanitizer build makes none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh test
for preset in linux linux-asan win32 win64 web fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
done

# The file readers under libFuzzer, each from its own small files in
# fuzz/corpus: the bitmap loader for 32 seconds, the best-score loader, the
# launch counter, the journal's reader and a submission to the score server
# for 18 each. What a target finds on the way is kept in
# build/fuzz/corpus, and the input of any failure in build/fuzz.
fuzz() {
    mkdir -p "build/fuzz/corpus/$1"
    "build/fuzz/$1_fuzz" -max_total_time="$2" -artifact_prefix="build/fuzz/$1-" \
        "build/fuzz/corpus/$1" "fuzz/corpus/$1"
}
fuzz bitmap_loader 32
fuzz high_score 18
fuzz launch_counter 18
fuzz journal 18
fuzz submission 18

ctest --preset win32 -j2
# The 64-bit Windows build's tests mostly wait on Wine and its three-minute
# game, the sanitizer build's keep the processors busy: side by side, the
# first one's report shown when both are done.
ctest --preset win64 -j2 > build/win64/ctest.log 2>&1 &
win64=$!
asan_status=0 win64_status=0
ctest --preset linux-asan -j2 || asan_status=$?
wait $win64 || win64_status=$?
cat build/win64/ctest.log
[ $asan_status = 0 ] && [ $win64_status = 0 ]
ctest --preset linux -j2
ctest --preset web -j2
