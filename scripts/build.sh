#!/usr/bin/env bash
# Configures and builds one target architecture. Sourced after setup.sh.
#   nimbrel_build ARCH [cmake -D options...]   -> build tree in $NIMBREL_ROOT/build/ARCH
nimbrel_build() {
  local arch=$1
  shift
  local tree="$NIMBREL_ROOT/build/$arch"
  mkdir -p "$tree"
  cmake -S "$NIMBREL_ROOT" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NIMBREL_ROOT/cmake/toolchain-$arch.cmake" \
    -DNIMBREL_DEPS_PREFIX="$NIMBREL_DEPS/$arch" "$@" >"$tree.configure.log" 2>&1 \
    || { cat "$tree.configure.log" >&2; return 1; }
  cmake --build "$tree" -j "$(nproc)"
}

# The 64-bit build's programs run under wine64 in that tree's private prefix, with one
# wineserver kept alive between `nimbrel_wine_session start` and `stop`.
NIMBREL_TREE="$NIMBREL_ROOT/build/x86_64"
NIMBREL_WINEPREFIX="$NIMBREL_TREE/wineprefix"
NIMBREL_WINE64=/usr/lib/wine/wine64

nimbrel_wine_session() {
  "$NIMBREL_ROOT/scripts/wine-session.sh" "$1" "$NIMBREL_WINEPREFIX"
}

nimbrel_wine() {
  WINEPREFIX=$NIMBREL_WINEPREFIX WINEDEBUG=-all "$NIMBREL_WINE64" "$@"
}
