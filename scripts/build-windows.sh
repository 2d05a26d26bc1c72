#!/usr/bin/env bash
# Builds the Windows VST2 plug-in from this tree with Debian's mingw-w64 cross
# compilers: Corvanel.dll (32-bit x86, the deliverable) and Corvanel64.dll
# (64-bit x64, same sources), both fully static, into build-windows/dist/; and the
# CLAP plug-in of each, as build-windows/dist/clap-x86/Corvanel.clap and
# build-windows/dist/clap-x64/Corvanel.clap; and the VST3 bundle with both
# architectures, build-windows/dist/Corvanel.vst3 (Contents/x86-win, Contents/x86_64-win).
#
#   scripts/build-windows.sh [--tests]
#
#   --tests   also build every Windows test program (scripts/test-windows.sh)
# Environment: WIN32_BUILD_DIR, WIN64_BUILD_DIR (default build-windows/win32,
# build-windows/win64), WINDOWS_DIST_DIR (default build-windows/dist),
# CORVANEL_CACHE_DIR (cached mingw libpng and GoogleTest, default
# ~/.cache/corvanel), CORVANEL_SKIP_INSTALL=1 to skip the package check.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
win32=${WIN32_BUILD_DIR:-$root/build-windows/win32}
win64=${WIN64_BUILD_DIR:-$root/build-windows/win64}
dist=${WINDOWS_DIST_DIR:-$root/build-windows/dist}
tests=0
[ "${1:-}" = "--tests" ] && tests=1

# CMake, Ninja and the rest of the Linux toolchain come from the Linux packages.
if [ "${CORVANEL_SKIP_INSTALL:-0}" != 1 ]; then
  bash "$root/scripts/install-deps.sh"
  bash "$root/scripts/install-windows-deps.sh" --build-only
fi

build_one() { # build dir, toolchain file, DLL name, CLAP folder
  local dir=$1 toolchain=$2 dll=$3 clap=$4
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$toolchain" \
    -DCORVANEL_WERROR=ON -DCORVANEL_TESTS=ON -DCORVANEL_BENCH=OFF >/dev/null
  local targets=(Corvanel CorvanelCLAP CorvanelVST3)
  if [ $tests = 1 ]; then
    local exe
    while read -r exe; do
      targets+=("$exe")
    done < <(ninja -C "$dir" -t targets all | sed -n 's/^\(tests\/[^:]*\.exe\): .*/\1/p')
  fi
  cmake --build "$dir" --target "${targets[@]}" -j2
  [ -f "$dir/plugin/$dll" ] || { echo "build-windows: $dll was not built" >&2; exit 1; }
  [ -f "$dir/plugin/Corvanel.clap" ] || { echo "build-windows: Corvanel.clap was not built" >&2; exit 1; }
  mkdir -p "$dist" "$dist/$clap"
  cp "$dir/plugin/$dll" "$dist/$dll"
  cp "$dir/plugin/Corvanel.clap" "$dist/$clap/Corvanel.clap"
  # Both architectures' VST3 modules go into the one bundle.
  mkdir -p "$dist/Corvanel.vst3/Contents"
  cp -r "$dir/framework/vst3/Corvanel.vst3/Contents/." "$dist/Corvanel.vst3/Contents/"
}

build_one "$win32" mingw-i686.cmake Corvanel.dll clap-x86
build_one "$win64" mingw-x86_64.cmake Corvanel64.dll clap-x64
for f in "$dist/Corvanel.dll" "$dist/Corvanel64.dll" "$dist/clap-x86/Corvanel.clap" \
         "$dist/clap-x64/Corvanel.clap" "$dist/Corvanel.vst3/Contents/x86-win/Corvanel.vst3" \
         "$dist/Corvanel.vst3/Contents/x86_64-win/Corvanel.vst3"; do
  echo "build-windows: $f ($(stat -c %s "$f") bytes)"
done
