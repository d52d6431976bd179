#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/install-deps.sh: the other
# editors bench_peers compares with, and the X server and Xlib it runs them on.
# Not needed to build, test or run the program.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" featherpad kwrite geany xvfb libx11-dev dbus-daemon
