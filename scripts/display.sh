#!/usr/bin/env bash
# Gives the programs an X display: the user's when DISPLAY is set, else a private Xvfb that
# is stopped again when the calling script exits. Sourced.
ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
    n=$((n + 1))
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  NIMBREL_XVFB_PID=$!
  trap 'kill "$NIMBREL_XVFB_PID" 2>/dev/null || true' EXIT
  local tries=0
  while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  export DISPLAY=":$n"
}
