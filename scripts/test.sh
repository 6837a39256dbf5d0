#!/usr/bin/env bash
# Sets everything up, builds the shipped 32-bit installer and the 64-bit test build, and runs
# every test under Wine.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"
source "$NIMBREL_ROOT/scripts/display.sh"

nimbrel_build i686 -DNIMBREL_TESTS=OFF
nimbrel_build x86_64 -DNIMBREL_TESTS=ON -DNIMBREL_I686_PRODUCT="$NIMBREL_ROOT/build/i686/bin/NimbrelSetup.exe"

ensure_display
ctest --test-dir "$NIMBREL_ROOT/build/x86_64" --output-on-failure -j "$(nproc)" "$@"
