# Sourced by the server fixtures: stop_by_pid_file FILE ends the process whose id FILE holds,
# politely first (5 seconds), then by force, and removes FILE.
stop_by_pid_file() {
  local file=$1 pid
  [ -f "$file" ] || return 0
  pid=$(cat "$file")
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  rm -f "$file"
}
