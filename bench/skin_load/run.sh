#!/usr/bin/env bash
# Builds and runs the skin loading benchmark under Wine in the test build's prefix.
#   bench/skin_load/run.sh [repetitions]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"
nimbrel_build x86_64 -DNIMBREL_TESTS=ON >/dev/null

nimbrel_wine_session start
status=0
nimbrel_wine "$NIMBREL_TREE/bin/skin_load_bench.exe" "$@" || status=$?
nimbrel_wine_session stop
exit $status
