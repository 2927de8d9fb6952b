#!/usr/bin/env bash
# The shipped game holds none of the test hooks: no function that
# test_hooks.h declares (which the layer's test build must define, or the
# check would prove nothing) and none of the stand-ins of stand_ins.h.
#   no_test_hooks.sh GAME TEST_LAYER_LIBRARY test_hooks.h stand_ins.h
set -euo pipefail
game=$1 test_layer=$2 hooks_header=$3 stand_ins_header=$4

# The functions a header declares: a name followed by "(" on a line that
# ends a declaration.
declared() { grep -E '^[A-Za-z].*\);' "$1" | grep -oE '[A-Za-z_][A-Za-z0-9_]*\(' | tr -d '(' |
             grep -vE '^(WINAPI|CALLBACK)$' | sort -u; }
# Keeps from standard input the lines that name the function $1.
naming() { grep -E "(^| )$1(\(|$)" || true; }

hooks=$(declared "$hooks_header" | grep -vE '^(typedef|void)$' || true)
stand_ins=$(declared "$stand_ins_header")
[ "$(echo "$hooks" | wc -w)" -ge 10 ] || { echo "found too few hooks in $hooks_header: $hooks"; exit 1; }
[ "$(echo "$stand_ins" | wc -w)" -ge 5 ] || { echo "found too few stand-ins in $stand_ins_header"; exit 1; }

test_symbols=$(nm -C --defined-only "$test_layer" 2>/dev/null | awk '$2 ~ /^[TtWw]$/ {$1=""; $2=""; print substr($0, 3)}')
game_symbols=$(nm -C "$game" | awk '{$1=""; print}'; nm -C -D "$game" 2>/dev/null | awk '{$1=""; print}')
status=0
for name in $hooks; do
    if [ -z "$(naming "$name" <<<"$test_symbols")" ]; then
        echo "the layer's test build does not define $name"
        status=1
    fi
done
for name in $hooks $stand_ins; do
    found=$(naming "$name" <<<"$game_symbols")
    if [ -n "$found" ]; then
        echo "the game holds $name: $found"
        status=1
    fi
done
if [ -n "$(grep -E '__(wrap|real)_' <<<"$game_symbols" || true)" ]; then
    echo "the game holds a stand-in"
    status=1
fi
[ $status = 0 ] && echo "the game holds none of:" $hooks $stand_ins
exit $status
