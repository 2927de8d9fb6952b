#!/usr/bin/env bash
# The set-up on a mirror in the middle of a sync, with no network: apt-get,
# dpkg, dpkg-query, id and sleep are stand-ins on the PATH that log what they
# are asked, and fail as a scenario says.
# - An update that fails twice and then works: the set-up goes on, quietly.
# - An update that always fails: three tries, a warning, and the set-up goes
#   on to install everything.
# - A required package that does not install: the set-up stops there with
#   apt's own message, before the 32-bit Wine packages.
# - 32-bit Wine packages that do not install: one line says so, and the
#   set-up ends well.
#
#   setup_test.sh setup.sh
set -euo pipefail

setup=$(realpath "$1")
stand_ins=$(mktemp -d)
trap 'rm -rf "$stand_ins"' EXIT
export STAND_IN_LOG=$stand_ins/log

cat > "$stand_ins/apt-get" <<'STAND_IN'
#!/bin/bash
echo "apt-get $*" >> "$STAND_IN_LOG"
if [ "$1" = update ]; then
    tries=$(grep -c '^apt-get update' "$STAND_IN_LOG")
    if [ "$tries" -le "$UPDATE_FAILURES" ]; then
        echo "E: Failed to fetch http://mirror/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
        exit 100
    fi
    exit 0
fi
if [[ " $* " == *" $FAILING_PACKAGE "* ]]; then
    echo "E: Unable to locate package $FAILING_PACKAGE" >&2
    exit 100
fi
STAND_IN
cat > "$stand_ins/dpkg" <<'STAND_IN'
#!/bin/bash
echo "dpkg $*" >> "$STAND_IN_LOG"
[ "$1" = --print-architecture ] && echo amd64
exit 0
STAND_IN
printf '#!/bin/bash\nexit 1\n' > "$stand_ins/dpkg-query"  # nothing is installed
printf '#!/bin/bash\necho 0\n' > "$stand_ins/id"
printf '#!/bin/bash\necho "sleep $*" >> "$STAND_IN_LOG"\n' > "$stand_ins/sleep"
chmod +x "$stand_ins"/*

status=0
fail() { echo "FAIL: $scenario: $*"; echo "  it said: $(tr '\n' '|' <<<"$said")"; status=1; }
# Runs the set-up for the tests with the scenario's failures; sets said (its
# output), code and log (the stand-ins' calls, one a line).
run() {
    scenario=$1
    : > "$STAND_IN_LOG"
    code=0
    said=$(PATH="$stand_ins:$PATH" UPDATE_FAILURES=$2 FAILING_PACKAGE=$3 bash "$setup" test 2>&1) || code=$?
    log=$(cat "$STAND_IN_LOG")
}
count() { grep -c "$1" <<<"$log" || true; }

run "update fails twice" 2 none
[ "$code" = 0 ] || fail "ended with $code"
[ "$(count '^apt-get update')" = 3 ] || fail "tried the update $(count '^apt-get update') times"
[ "$(count '^sleep ')" = 2 ] || fail "waited $(count '^sleep ') times between tries"
! grep -q warning <<<"$said" || fail "warned though the third try worked"
grep -q '^apt-get install .* cmake .*wine64' <<<"$log" || fail "installed no required packages"
grep -q '^apt-get install .* wine32:i386' <<<"$log" || fail "installed no 32-bit Wine"
grep -q '^dpkg --add-architecture i386' <<<"$log" || fail "did not add i386 for the 32-bit Wine"

run "update always fails" 99 none
[ "$code" = 0 ] || fail "ended with $code"
[ "$(count '^apt-get update')" = 3 ] || fail "tried the update $(count '^apt-get update') times"
[ "$(grep -c 'warning' <<<"$said")" = 1 ] || fail "gave no one-line warning"
[ "$(count '^apt-get install')" = 2 ] || fail "did not go on to install both steps"

run "a required package fails" 0 xvfb
[ "$code" != 0 ] || fail "ended with 0"
grep -q "^E: Unable to locate package xvfb" <<<"$said" || fail "did not show apt's own message"
! grep -q 'wine32:i386' <<<"$log" || fail "went on to the 32-bit Wine packages"

run "32-bit Wine fails" 0 wine32:i386
[ "$code" = 0 ] || fail "ended with $code"
[ "$(grep -c 'wine32' <<<"$said")" = 2 ] || fail "did not say so in one line after the list"
grep -q "32-bit Wine packages could not be installed (E: Unable to locate package wine32:i386)" <<<"$said" ||
    fail "did not give apt's reason"

[ $status = 0 ] && echo "ok: the set-up retries the update, warns and goes on, stops on a required package, tolerates 32-bit Wine"
exit $status
