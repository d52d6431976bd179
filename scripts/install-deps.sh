#!/usr/bin/env bash
# Installs the Debian packages Pagewick needs to build, run and test.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
    qt6-svg-dev
    libgl-dev libqt6opengl6-dev
    fonts-dejavu-core
    xvfb xauth openbox xdotool poppler-utils
    trayer x11-utils
    dbus-daemon qt6-gtk-platformtheme
    # screen readers: the accessibility bus, a listener, Orca
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0 orca
    appstream desktop-file-utils man-db binutils
    cups printer-driver-cups-pdf
    clang libclang-rt-14-dev
    # the Unicode break test data the caret test reads
    unicode-data
    # the tools the tests run: mkfifo, mount, chattr, readelf
    coreutils mount e2fsprogs binutils
)
# Packages named on the command line are installed with them (the
# benchmarks' own list, for one).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
else
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq "${missing[@]}"
