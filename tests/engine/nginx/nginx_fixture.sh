#!/usr/bin/env bash
# Runs Debian's nginx as a loopback download host for one test run:
#   nginx_fixture.sh start STATE_DIR SIZE   -> serves the download server's generated content
#                                             of SIZE bytes behind /software/517; port in
#                                             STATE_DIR/port
#   nginx_fixture.sh stop STATE_DIR
# nginx is detached from our pipes: ctest waits for every process holding its output.
set -euo pipefail

action=$1
state=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=${NIMBREL_PYTHON:-python3}
server_tools=$here/../../../tools/download_server
generator=$server_tools/download_server.py
nginx=${NIMBREL_NGINX:-/usr/sbin/nginx}
source "$server_tools/stop_by_pid_file.sh"

stop_nginx() {
  stop_by_pid_file "$state/pid"
  rm -f "$state/port"
}

free_port() {
  "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0));
print(s.getsockname()[1])'
}

serve_content() {
  local size=$1 md5
  rm -rf "$state/root"
  mkdir -p "$state/root" "$state/logs" "$state/temp"
  md5=$("$python" "$generator" generate "$size" "$state/content.bin")
  mkdir -p "$state/root/files/$md5"
  mv "$state/content.bin" "$state/root/files/$md5/__Package_Nimbrel.exe"
  echo "$md5"
}

# The free port may be taken again before nginx binds it: then nginx exits and we try another.
start_on_free_port() {
  local md5=$1 port
  port=$(free_port)
  sed -e "s|@STATE@|$state|g" -e "s|@PORT@|$port|g" -e "s|@MD5@|$md5|g" \
    "$here/nginx.conf.in" >"$state/nginx.conf"
  setsid "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/logs/error.log" \
    </dev/null >"$state/logs/stdout.log" 2>&1 &
  # setsid does not fork here (a background job is no group leader), so this is nginx itself.
  local pid=$!
  echo "$pid" >"$state/pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 1
    if curl -s --noproxy "*" -o /dev/null "http://127.0.0.1:$port/"; then
      echo "$port" >"$state/port"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

case "$action" in
  start)
    mkdir -p "$state"
    stop_nginx
    md5=$(serve_content "$3")
    for _ in 1 2 3; do
      start_on_free_port "$md5" && exit 0
      stop_nginx
    done
    echo "nginx did not start; error log:" >&2
    cat "$state/logs/error.log" >&2 || true
    exit 1
    ;;
  stop)
    stop_nginx
    ;;
  *)
    echo "usage: $0 start STATE_DIR SIZE | stop STATE_DIR" >&2
    exit 2
    ;;
esac
