#!/usr/bin/env bash
# Cross-builds the static libraries the installer links, from Debian's source packages, for
# both Windows targets. Usage: build-deps.sh PREFIX. Leaves PREFIX/i686 and PREFIX/x86_64,
# each with include/ and lib/ (and CMake package files where the library ships them).
set -euo pipefail

PREFIX=$1
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SRC="$PREFIX/src"
JOBS=$(nproc)

fetch_sources() {
  mkdir -p "$SRC"
  cd "$SRC"
  apt-get source --download-only curl libjsoncpp 7zip >"$SRC/fetch.log" 2>&1 || {
    cat "$SRC/fetch.log" >&2
    return 1
  }
  local dsc
  for dsc in *.dsc; do
    dpkg-source --no-check -x "$dsc" >>"$SRC/fetch.log" 2>&1
  done
  CURL_SRC=$(ls -d "$SRC"/curl-*/)
  JSONCPP_SRC=$(ls -d "$SRC"/libjsoncpp-*/)
  SEVENZIP_SRC=$(ls -d "$SRC"/7zip-*/)
}

cmake_build() {  # arch name source-dir cmake-args...
  local arch=$1 name=$2 source=$3
  shift 3
  local build="$PREFIX/build/$arch/$name"
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX/$arch" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$build.log" 2>&1 || { tail -40 "$build.log" >&2; return 1; }
  cmake --build "$build" -j "$JOBS" >>"$build.log" 2>&1 || { tail -40 "$build.log" >&2; return 1; }
  cmake --install "$build" >>"$build.log" 2>&1
}

# HTTP and HTTPS (Schannel) for downloads, FILE for local package URLs; nothing else.
build_curl() {
  cmake_build "$1" curl "$CURL_SRC" \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=ON -DCURL_USE_LIBSSH2=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_UNIX_SOCKETS=OFF \
    -DCURL_DISABLE_FTP=ON -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_GOPHER=ON -DCURL_DISABLE_IMAP=ON \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DCURL_DISABLE_MQTT=ON -DCURL_DISABLE_POP3=ON \
    -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_SMB=ON -DCURL_DISABLE_SMTP=ON -DCURL_DISABLE_TELNET=ON \
    -DCURL_DISABLE_TFTP=ON \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_STATIC_CRT=OFF -DENABLE_MANUAL=OFF
}

build_jsoncpp() {
  cmake_build "$1" jsoncpp "$JSONCPP_SRC" \
    -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_TESTS=OFF \
    -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF
}

build_googletest() {
  cmake_build "$1" googletest /usr/src/googletest -DINSTALL_GTEST=ON -DBUILD_GMOCK=ON
}

# The 7z reader has no build of its own for a library: take the object list of its sample
# program's makefile, minus the sample's main.
build_sevenzip_reader() {
  local arch=$1 triple=$1-w64-mingw32
  local c="$SEVENZIP_SRC/C" out="$PREFIX/build/$arch/lzma7z"
  mkdir -p "$out" "$PREFIX/$arch/lib" "$PREFIX/$arch/include/lzma7z"
  local objects
  objects=$(sed -n 's|^ *\$O/\([A-Za-z0-9_]*\)\.o.*|\1|p' "$c/Util/7z/makefile.gcc" | grep -v '^7zMain$')
  local name
  for name in $objects; do
    "$triple-gcc-posix" -O2 -DZ7_PPMD_SUPPORT -DZ7_EXTRACT_ONLY -c "$c/$name.c" -o "$out/$name.o"
  done
  rm -f "$PREFIX/$arch/lib/liblzma7z.a"
  "$triple-gcc-ar-posix" rcs "$PREFIX/$arch/lib/liblzma7z.a" "$out"/*.o
  cp "$c"/*.h "$PREFIX/$arch/include/lzma7z/"
}

build_for() {
  local arch=$1
  mkdir -p "$PREFIX/build/$arch"
  build_sevenzip_reader "$arch"
  build_googletest "$arch"
  build_jsoncpp "$arch"
  build_curl "$arch"
}

fetch_sources
build_for x86_64 &
x64=$!
build_for i686 &
x86=$!
wait "$x64"
wait "$x86"
rm -rf "$PREFIX/build"
