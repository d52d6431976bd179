#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/install-deps.sh: the other
# editors bench_peers compares with, and the X server and Xlib it runs them on.
# Not needed to build, test or run the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

packages=(featherpad kwrite geany xvfb libx11-dev dbus-daemon)

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
