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
# The set-up runs from a copy in a tree of its own, with a lock file for
# npm, a stand-in too: it installs the tests' Node packages once, and not
# again while the lock file is the same.
#
#   setup_test.sh setup.sh
set -euo pipefail

stand_ins=$(mktemp -d)
trap 'rm -rf "$stand_ins"' EXIT
export STAND_IN_LOG=$stand_ins/log
mkdir -p "$stand_ins/tree/scripts" "$stand_ins/bin"
cp "$1" "$stand_ins/tree/scripts/setup.sh"
setup=$stand_ins/tree/scripts/setup.sh
echo '{"lockfileVersion": 3}' > "$stand_ins/tree/package-lock.json"

cat > "$stand_ins/bin/npm" <<'STAND_IN'
#!/bin/bash
echo "npm $*" >> "$STAND_IN_LOG"
mkdir -p node_modules
STAND_IN
cat > "$stand_ins/bin/apt-get" <<'STAND_IN'
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
cat > "$stand_ins/bin/dpkg" <<'STAND_IN'
#!/bin/bash
echo "dpkg $*" >> "$STAND_IN_LOG"
[ "$1" = --print-architecture ] && echo amd64
exit 0
STAND_IN
printf '#!/bin/bash\nexit 1\n' > "$stand_ins/bin/dpkg-query"  # nothing is installed
printf '#!/bin/bash\necho 0\n' > "$stand_ins/bin/id"
printf '#!/bin/bash\necho "sleep $*" >> "$STAND_IN_LOG"\n' > "$stand_ins/bin/sleep"
chmod +x "$stand_ins"/bin/*

status=0
fail() { echo "FAIL: $scenario: $*"; echo "  it said: $(tr '\n' '|' <<<"$said")"; status=1; }
# Runs the set-up for the tests with the scenario's failures; sets said (its
# output), code and log (the stand-ins' calls, one a line).
run() {
    scenario=$1
    : > "$STAND_IN_LOG"
    code=0
    said=$(PATH="$stand_ins/bin:$PATH" UPDATE_FAILURES=$2 FAILING_PACKAGE=$3 bash "$setup" test 2>&1) || code=$?
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
[ "$(count '^npm ci')" = 1 ] || fail "ran npm ci $(count '^npm ci') times"

run "update always fails" 99 none
[ "$code" = 0 ] || fail "ended with $code"
[ "$(count '^npm ')" = 0 ] || fail "ran npm again for the same lock file"
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

[ $status = 0 ] && echo "ok: the set-up retries the update, warns and goes on, stops on a required package, tolerates 32-bit Wine, installs the Node packages once"
exit $status
