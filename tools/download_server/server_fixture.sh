#!/usr/bin/env bash
# Starts and stops one loopback download server for a ctest fixture (or by hand):
#   server_fixture.sh start STATE_DIR [serve options...]   -> port in STATE_DIR/port
#   server_fixture.sh stop STATE_DIR
# The server is detached from our pipes: ctest waits for every process holding its output.
set -euo pipefail

action=$1
state=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=${NIMBREL_PYTHON:-python3}

source "$here/stop_by_pid_file.sh"

stop_server() {
  stop_by_pid_file "$state/pid"
  rm -f "$state/port"
}

case "$action" in
  start)
    mkdir -p "$state"
    stop_server
    setsid "$python" "$here/download_server.py" serve --port-file "$state/port" \
      --pid-file "$state/pid" "$@" </dev/null >"$state/server.log" 2>&1 &
    for _ in $(seq 100); do
      [ -s "$state/port" ] && exit 0
      sleep 0.1
    done
    echo "download server did not start; log:" >&2
    cat "$state/server.log" >&2
    stop_server
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 start|stop STATE_DIR [serve options...]" >&2
    exit 2
    ;;
esac
