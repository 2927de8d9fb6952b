#!/usr/bin/env bash
# Installs what Kubrask needs on Debian 12, skipping what is already there.
#   setup.sh        building and playing on Linux
#   setup.sh test   also what the tests need: the Windows cross build, Wine, an X server, clang,
#                   and the packaging tools with their checkers
set -euo pipefail

packages=(cmake make g++ libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core libgl-dev libglu1-mesa-dev
          libgtest-dev libx11-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
          dpkg-dev file)  # cpack's .deb: dpkg-shlibdeps, and file to find the binaries
if [ "${1:-}" = test ]; then
    packages+=(xvfb xauth xdotool x11-utils x11-apps
               g++-mingw-w64-i686-posix wine wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
               clang libclang-rt-14-dev
               lintian desktop-file-utils appstream nsis binutils)
fi

# A package counts when it is installed for this machine's architecture (or
# for all), or for the one its name asks for (wine32:i386).
native=$(dpkg --print-architecture)
installed() {
    dpkg-query -W -f='${Architecture} ${Status}\n' "$1" 2>/dev/null |
        grep -Eq "^($native|all|${1#*:}) install ok installed\$"
}
missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386  # Wine runs the 32-bit game with 32-bit libraries
fi
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
