#!/usr/bin/env bash
# Builds a static libpng for a mingw-w64 target from Debian's own source
# package (with Debian's patches), linked against the static zlib of
# libz-mingw-w64-dev, and installs it into PREFIX.
#   usage: build-libpng-mingw.sh TRIPLE PREFIX      (TRIPLE: i686-w64-mingw32 | x86_64-w64-mingw32)
# The source is fetched once with apt-get source into $CORVANEL_CACHE_DIR
# (default ~/.cache/corvanel) through a private apt configuration that adds
# the deb-src entries, so the system's apt sources stay untouched.
set -euo pipefail

triple=${1:?triple}
prefix=${2:?prefix}
cache=${CORVANEL_CACHE_DIR:-$HOME/.cache/corvanel}
srcroot=$cache/libpng-src
root=$(cd "$(dirname "$0")/.." && pwd)
case $triple in
  i686-w64-mingw32) toolchain=$root/cmake/toolchains/mingw-i686.cmake ;;
  x86_64-w64-mingw32) toolchain=$root/cmake/toolchains/mingw-x86_64.cmake ;;
  *) echo "build-libpng-mingw: unknown target $triple" >&2; exit 2 ;;
esac
[ -f "/usr/$triple/lib/libz.a" ] || {
  echo "build-libpng-mingw: /usr/$triple/lib/libz.a missing (libz-mingw-w64-dev)" >&2; exit 1; }

# The source tree: the version Debian's binary libpng16-16 has, or - when the
# security archive no longer serves that source - the newest one it serves.
fetch_source() {
  local apt=$srcroot/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt/sources.list.d/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$apt/sources.list" || true
  fi
  touch "$apt/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
              -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1")
  apt-get "${opts[@]}" update -qq
  local versions
  versions=$(apt-cache "${opts[@]}" showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -u -r -V)
  [ -n "$versions" ] || { echo "build-libpng-mingw: no libpng1.6 source found" >&2; exit 1; }
  local dir
  dir=$(mktemp -d "$srcroot/fetch.XXXXXX")
  local v ok=0
  for v in $versions; do
    if (cd "$dir" && apt-get "${opts[@]}" source -qq --download-only "libpng1.6=$v" >/dev/null 2>&1); then
      ok=1; break
    fi
    echo "build-libpng-mingw: source libpng1.6=$v not served, trying an older one"
  done
  [ $ok = 1 ] || { echo "build-libpng-mingw: could not fetch libpng1.6 source" >&2; exit 1; }
  (cd "$dir" && dpkg-source -q -x ./*.dsc src >/dev/null)
  rm -rf "$srcroot/src"
  mv "$dir/src" "$srcroot/src"
  echo "$v" >"$srcroot/src/.debian-version"
  rm -rf "$dir"
  echo "build-libpng-mingw: using Debian's libpng1.6 $v"
}
[ -f "$srcroot/src/CMakeLists.txt" ] || fetch_source

build=$(mktemp -d "$cache/libpng-build.XXXXXX")
trap 'rm -rf "$build"' EXIT
# CORVANEL_NO_DEPS keeps the toolchain from building its own dependencies.
export CORVANEL_NO_DEPS=1
cmake -S "$srcroot/src" -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_C_FLAGS="-ffp-contract=off" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_INCLUDE_DIR="/usr/$triple/include" -DZLIB_LIBRARY="/usr/$triple/lib/libz.a" >/dev/null
cmake --build "$build" -j2 >/dev/null
cmake --install "$build" >/dev/null
cp "$srcroot/src/.debian-version" "$prefix/libpng-debian-version"
echo "build-libpng-mingw: installed static libpng $(cat "$prefix/libpng-debian-version") in $prefix"
