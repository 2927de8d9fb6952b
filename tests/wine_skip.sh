# Sourced by the tests that run Windows programs under Wine. Every program of
# a 32-bit prefix, and a 32-bit program in any prefix, runs on Wine's 32-bit
# loader, itself a 32-bit program: where this machine cannot run it (its
# kernel runs no 32-bit programs, or Wine's 32-bit half is not installed),
# such a test is skipped, saying why. ctest reads exit code 77 as skipped.
#
#   skip_unless_wine_runs PROGRAM...   in a prefix as wide as WINEARCH says (win32 or win64)

wine32_loader=/usr/lib/wine/wine

# The machine a Windows program is built for: 014c (32-bit x86) or 8664
# (x86-64); nothing for a file that is not a Windows program.
pe_machine() {
    [ "$(head -c 2 "$1")" = MZ ] || return 0
    local header
    header=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
    od -An -tx2 -j $((header + 4)) -N 2 "$1" | tr -d ' '
}

skip_unless_wine_runs() {
    local needs="" program said
    [ "${WINEARCH:-win32}" = win32 ] && needs="a 32-bit Wine prefix"
    for program; do
        [ "$(pe_machine "$program")" = 014c ] && needs="$(basename "$program"), a 32-bit program,"
    done
    [ -n "$needs" ] || return 0
    if [ ! -e "$wine32_loader" ]; then
        echo "SKIP: $needs needs Wine's 32-bit loader, $wine32_loader, which is not installed (wine32:i386)"
        exit 77
    fi
    said=$("$wine32_loader" --version 2>&1) && return 0
    echo "SKIP: $needs needs Wine's 32-bit loader, which this machine cannot run: ${said##*: }"
    exit 77
}
