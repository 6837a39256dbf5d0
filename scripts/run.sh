#!/usr/bin/env bash
# Sets everything up, builds the installer and runs it under Wine: on the user's display when
# DISPLAY is set, else on a private Xvfb display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"
source "$NIMBREL_ROOT/scripts/display.sh"

nimbrel_build x86_64 -DNIMBREL_TESTS=ON
ensure_display

tree="$NIMBREL_ROOT/build/x86_64"
prefix="$tree/wineprefix"
"$NIMBREL_ROOT/scripts/wine-session.sh" start "$prefix"
status=0
WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 "$tree/bin/NimbrelSetup.exe" "$@" || status=$?
"$NIMBREL_ROOT/scripts/wine-session.sh" stop "$prefix"
echo "installer exited with code $status"
exit $status
