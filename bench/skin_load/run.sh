#!/usr/bin/env bash
# Builds and runs the skin loading benchmark under Wine in the test build's prefix.
#   bench/skin_load/run.sh [repetitions]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/scripts/setup.sh"
source "$root/scripts/build.sh"
nimbrel_build x86_64 -DNIMBREL_TESTS=ON >/dev/null

tree="$root/build/x86_64"
prefix="$tree/wineprefix"
"$root/scripts/wine-session.sh" start "$prefix"
status=0
WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$tree/bin/skin_load_bench.exe" "$@" || status=$?
"$root/scripts/wine-session.sh" stop "$prefix"
exit $status
