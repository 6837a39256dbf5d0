#!/usr/bin/env bash
# The pipeline's download phase against native tools on loopback: Debian's nginx serves one
# 512 MiB file behind the product path (a redirect to a URL that carries the file's MD5), and
# each contender fetches it and checks its MD5:
#   curl -o + md5sum, aria2c -x2 + md5sum (native), and pipeline_console --download-only with
#   download types 1, 2 and 3 (64-bit build, under wine64 with a running wineserver).
# Prints the median wall time of RUNS interleaved rounds, throughput, the speed relative to
# curl + md5sum, the CPU time of the client, the wineserver and nginx, and peak memory.
#   bash bench/download/run.sh [RUNS]      (default 5)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"

runs=${1:-5}
size_mib=512
nimbrel_build x86_64 -DNIMBREL_TESTS=ON >/dev/null

state=$(mktemp -d "${TMPDIR:-/tmp}/nimbrel-download-bench.XXXXXX")
cleanup() {
  [ -f "$state/nginx.pid" ] && kill "$(cat "$state/nginx.pid")" 2>/dev/null || true
  nimbrel_wine_session stop
  rm -rf "$state"
}
trap cleanup EXIT
nimbrel_wine_session start

# The file in a folder named by its MD5, as the vendor's host keeps it.
mkdir -p "$state/root" "$state/logs" "$state/temp" "$state/out"
head -c "${size_mib}M" /dev/urandom >"$state/content.bin"
md5=$(md5sum "$state/content.bin" | cut -d' ' -f1)
mkdir -p "$state/root/files/$md5"
mv "$state/content.bin" "$state/root/files/$md5/__Package_Nimbrel.exe"
cat "$state/root/files/$md5/__Package_Nimbrel.exe" >/dev/null  # into the page cache

# The same server configuration as the tests' nginx fixture.
port=$(python3 -c \
  'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sed -e "s|@STATE@|$state|g" -e "s|@PORT@|$port|g" -e "s|@MD5@|$md5|g" \
  "$NIMBREL_ROOT/tests/engine/nginx/nginx.conf.in" >"$state/nginx.conf"
setsid /usr/sbin/nginx -p "$state" -c "$state/nginx.conf" -e "$state/logs/error.log" \
  </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$port/" && break
  sleep 0.1
done

python3 "$NIMBREL_ROOT/bench/download/download_bench.py" \
  --url "http://127.0.0.1:$port/software/517" --md5 "$md5" --size-mib "$size_mib" \
  --runs "$runs" --out "$state/out" --nginx-pid "$(cat "$state/nginx.pid")" \
  --wine "$NIMBREL_WINE64" --prefix "$NIMBREL_WINEPREFIX" --tool "$NIMBREL_TREE/bin/pipeline_console.exe"
