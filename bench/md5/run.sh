#!/usr/bin/env bash
# FileMd5Hex (64-bit build, under wine64) against Debian's md5sum on the same 512 MiB file,
# both reading it from the page cache; prints both throughputs and their ratio.
#   bash bench/md5/run.sh [RUNS]      (best of RUNS for each, default 5)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/setup.sh"
source "$NIMBREL_ROOT/scripts/build.sh"

runs=${1:-5}
size_mib=512
nimbrel_build x86_64 -DNIMBREL_TESTS=ON >/dev/null

file=$(mktemp "${TMPDIR:-/tmp}/nimbrel-md5-bench.XXXXXX")
cleanup() {
  rm -f "$file"
  nimbrel_wine_session stop
}
nimbrel_wine_session start
trap cleanup EXIT

head -c "${size_mib}M" /dev/urandom >"$file"
cat "$file" >/dev/null  # into the page cache, for both readers alike

best_md5sum=""
for _ in $(seq "$runs"); do
  start=$(date +%s.%N)
  expected=$(md5sum "$file" | cut -d' ' -f1)
  end=$(date +%s.%N)
  best_md5sum=$(python3 -c "import sys; t=$end-$start; b='$best_md5sum'; print(t if not b or t<float(b) else b)")
done

windows_path="Z:${file//\//\\}"
result=$(nimbrel_wine "$NIMBREL_TREE/bin/md5_bench.exe" \
  "$windows_path" "$runs" | tr -d '\r')
digest=${result#digest=}
digest=${digest%% *}
seconds=${result##*seconds=}

if [ "$digest" != "$expected" ]; then
  echo "digests differ: FileMd5Hex $digest, md5sum $expected" >&2
  exit 1
fi
python3 - "$size_mib" "$seconds" "$best_md5sum" <<'PY'
import sys
size, ours, theirs = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3])
print(f"file: {size:.0f} MiB, identical digests")
print(f"FileMd5Hex (wine64): {size / ours:8.1f} MiB/s  ({ours:.3f} s)")
print(f"md5sum             : {size / theirs:8.1f} MiB/s  ({theirs:.3f} s)")
print(f"ratio FileMd5Hex / md5sum: {theirs / ours:.2f} (target >= 0.80)")
PY
