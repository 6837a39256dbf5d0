#!/usr/bin/env bash
# Keeps one Wine session alive for a test run: `start PREFIX` makes the private prefix once
# (per build tree) and starts a persistent wineserver for it; `stop PREFIX` ends it.
# Without a running wineserver every test program would pay a second or more of Wine start-up.
set -euo pipefail

action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

make_prefix() {
  local staging="$WINEPREFIX.new"
  rm -rf "$staging"
  WINEPREFIX=$staging "$WINE64" wineboot -i >/dev/null 2>&1
  WINEPREFIX=$staging "$WINE64" regedit /S "$(WINEPREFIX=$staging "$WINE64" winepath -w "$ROOT/scripts/wine-prefix.reg")" \
    >/dev/null 2>&1
  WINEPREFIX=$staging "$WINESERVER" -w
  mv "$staging" "$WINEPREFIX"
}

case "$action" in
  start)
    [ -d "$WINEPREFIX" ] || make_prefix
    # Detached from our pipes: a server holding ctest's output open makes ctest wait for it.
    setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
    "$WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1
    ;;
  stop)
    "$WINESERVER" -k >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
