#!/usr/bin/env bash
# Sets everything up, builds the installer and runs it under Wine: on the user's display when
# DISPLAY is set, else on a private Xvfb display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"
source "$NIMBREL_ROOT/scripts/display.sh"

nimbrel_build x86_64 -DNIMBREL_TESTS=ON
ensure_display

nimbrel_wine_session start
status=0
nimbrel_wine "$NIMBREL_TREE/bin/NimbrelSetup.exe" "$@" || status=$?
nimbrel_wine_session stop
echo "installer exited with code $status"
exit $status
