#!/usr/bin/env bash
# Installs what Kubrask needs on Debian 12, skipping what is already there.
#   setup.sh        building and playing on Linux
#   setup.sh web    also building the browser's site: Emscripten (with Node)
#   setup.sh server also the score server's: Emscripten for its site, Boost (Beast, Asio), SQLite, libpq, nlohmann-json
#   setup.sh test   also what the tests need: the score server's libraries with PostgreSQL to run, wrk, systemd's
#                   unit checker, the Windows cross builds, Wine, an X server, clang,
#                   Emscripten, Chromium and Firefox ESR, the packaging tools with their checkers,
#                   and from npm the browsers' driver, puppeteer-core, as package-lock.json pins
#                   it (the tests drive Debian's browsers: none is downloaded)
#
# A mirror in the middle of a sync can hand out a damaged index: the update is
# tried three times and then the set-up goes on with the indexes it has. The
# 32-bit Wine packages come last, in a step of their own that may fail (their
# i386 libraries must match the amd64 ones exactly, and a damaged index is
# enough to part them); the tests of the 32-bit Windows build then skip.
# Every other package is required: a failure to install one ends the set-up.
set -euo pipefail

packages=(cmake make g++ libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core libgl-dev libglu1-mesa-dev
          libgtest-dev libx11-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
          dpkg-dev file)  # cpack's .deb: dpkg-shlibdeps, and file to find the binaries
wine32_packages=()
server_packages=(libboost1.81-dev libsqlite3-dev libpq-dev nlohmann-json3-dev sqlite3)
case "${1:-}" in
    web) packages+=(emscripten) ;;
    server) packages+=(emscripten "${server_packages[@]}") ;;
    test) packages+=(emscripten chromium firefox-esr "${server_packages[@]}" postgresql-15 wrk systemd)
          command -v npm >/dev/null || packages+=(npm) ;;
esac
if [ "${1:-}" = test ]; then
    packages+=(xvfb xauth xdotool x11-utils x11-apps x11-xserver-utils
               g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64
               clang libclang-rt-14-dev
               lintian desktop-file-utils appstream nsis binutils p7zip-full)
    wine32_packages=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)
fi

# A package counts when it is installed for this machine's architecture (or
# for all), or for the one its name asks for (wine32:i386).
native=$(dpkg --print-architecture)
installed() {
    dpkg-query -W -f='${Architecture} ${Status}\n' "$1" 2>/dev/null |
        grep -Eq "^($native|all|${1#*:}) install ok installed\$"
}
missing() {
    local package
    for package in "$@"; do
        installed "$package" || echo "$package"
    done
}
mapfile -t required < <(missing "${packages[@]}")
mapfile -t wine32 < <(missing "${wine32_packages[@]}")

# The tests' Node packages, from the lock file, again only when it changed.
npm_packages() {
    [ "${1:-}" = test ] || return 0
    cd "$(dirname "$0")/.."
    cmp -s package-lock.json node_modules/.installed-lock.json && return 0
    for try in 1 2 3; do
        if npm ci --no-audit --no-fund --loglevel=error; then
            cp package-lock.json node_modules/.installed-lock.json
            return 0
        fi
        [ "$try" = 3 ] || sleep 3
    done
    echo "setup.sh: npm ci failed in 3 tries" >&2
    return 1
}
if [ ${#required[@]} -eq 0 ] && [ ${#wine32[@]} -eq 0 ]; then
    npm_packages "${1:-}"
    exit 0
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
install() {
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "$@"
}

if [ ${#wine32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386  # Wine runs the 32-bit game with 32-bit libraries
fi
for try in 1 2 3; do
    "${as_root[@]}" apt-get update -q && break
    if [ "$try" = 3 ]; then
        echo "setup.sh: warning: the package index did not update in 3 tries; going on with the indexes there are" >&2
    else
        sleep 3
    fi
done

if [ ${#required[@]} -gt 0 ]; then
    echo "Installing: ${required[*]}"
    install "${required[@]}"
fi
if [ ${#wine32[@]} -gt 0 ]; then
    echo "Installing: ${wine32[*]}"
    if ! log=$(install "${wine32[@]}" 2>&1); then
        reason=$(grep '^E: ' <<<"$log" | head -n 1)
        echo "setup.sh: the 32-bit Wine packages could not be installed (${reason:-apt-get failed}); the 32-bit Windows build's run-time tests will skip" >&2
    fi
fi
npm_packages "${1:-}"
