#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and running the installer:
#   1. Debian packages: mingw-w64 toolchains, Wine, Xvfb, fonts, 7-Zip, nginx and friends;
#   2. static libraries for both Windows targets, cross-built from Debian's source packages
#      into a cache outside the source tree (reused while this recipe is unchanged).
# Idempotent; prints nothing but progress. Sourced by the other scripts, which then find the
# dependency prefix in NIMBREL_DEPS (one folder per target below it).
set -euo pipefail

NIMBREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

PACKAGES=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  cmake ninja-build make dpkg-dev python3 file binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth xdotool imagemagick fonts-wqy-microhei
  libstb-dev 7zip googletest nginx-light aria2 curl
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

# Source packages need deb-src entries; Debian 12 keeps them in deb822 form.
enable_source_lines() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ] && grep -q '^Types: deb$' "$f"; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    return 0
  fi
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list \
     && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee -a /etc/apt/sources.list >/dev/null
    return 0
  fi
  return 1
}

install_packages() {
  local changed=0 missing
  enable_source_lines && changed=1
  missing=$(missing_packages)
  if [ -n "$missing" ] || [ "$changed" -eq 1 ]; then
    echo "setup: installing Debian packages"
    as_root apt-get update -q >/dev/null
  fi
  if [ -n "$missing" ]; then
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing >/dev/null
  fi
}

# The cache key covers everything that decides how the libraries are built.
recipe_hash() {
  cat "$NIMBREL_ROOT/scripts/setup.sh" "$NIMBREL_ROOT/scripts/build-deps.sh" \
      "$NIMBREL_ROOT"/cmake/mingw-common.cmake "$NIMBREL_ROOT"/cmake/toolchain-*.cmake \
    | sha256sum | cut -c1-16
}

build_dependencies() {
  local cache_root=${NIMBREL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/nimbrel-deps}
  NIMBREL_DEPS="$cache_root/$(recipe_hash)"
  if [ -f "$NIMBREL_DEPS/.complete" ]; then
    return 0
  fi
  echo "setup: cross-building dependencies into $NIMBREL_DEPS (takes several minutes once)"
  rm -rf "$NIMBREL_DEPS"
  mkdir -p "$NIMBREL_DEPS"
  bash "$NIMBREL_ROOT/scripts/build-deps.sh" "$NIMBREL_DEPS"
  touch "$NIMBREL_DEPS/.complete"
}

install_packages
build_dependencies
export NIMBREL_ROOT NIMBREL_DEPS
