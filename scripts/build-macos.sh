#!/usr/bin/env bash
# Builds the Mac plug-ins with their Cocoa view on a Mac with Apple's command line tools and
# CMake: the Audio Unit CorvanelAU.component, Corvanel.vst3 and Corvanel.clap; universal
# (arm64 and x86_64) by default, signed ad hoc, and installs them into
# ~/Library/Audio/Plug-Ins/Components, VST3 and CLAP. Not for Linux: there
# `bash scripts/test.sh` builds and tests the macOS configuration on the stand-in frameworks.
#
#   bash scripts/build-macos.sh [--arch "arm64;x86_64"] [--libpng-src DIR] [--no-install]
#
#   --arch         the architectures (CMake's list), e.g. "$(uname -m)" for this Mac's only
#   --libpng-src   a libpng 1.6 source folder: built here, static, for the same architectures
#                  (Homebrew's libpng has one architecture, which a universal link refuses)
#   --no-install   build and sign only
# MACOSX_DEPLOYMENT_TARGET (default 10.13) sets the oldest system the binary runs on.
set -euo pipefail
cd "$(dirname "$0")/.."

archs="arm64;x86_64"
libpng_src=""
install=1
while [ $# -gt 0 ]; do
  case $1 in
    --arch) archs=${2:?--arch needs a list}; shift 2 ;;
    --libpng-src) libpng_src=${2:?--libpng-src needs a folder}; shift 2 ;;
    --no-install) install=0; shift ;;
    *) echo "usage: scripts/build-macos.sh [--arch LIST] [--libpng-src DIR] [--no-install]" >&2; exit 2 ;;
  esac
done

die() { echo "build-macos: $*" >&2; exit 1; }
[ "$(uname -s)" = Darwin ] ||
  die "runs on macOS; on $(uname -s) 'bash scripts/test.sh' builds the macOS configuration on the stand-in"
xcode-select -p >/dev/null 2>&1 || die "Apple's command line tools are missing: xcode-select --install"
command -v cmake >/dev/null || die "CMake 3.25 or later is missing (cmake.org, or: brew install cmake)"

dir=build-mac
deployment=${MACOSX_DEPLOYMENT_TARGET:-10.13}
jobs=$(sysctl -n hw.ncpu)
generator=("Unix Makefiles")
command -v ninja >/dev/null && generator=(Ninja)
arch_list=${archs//;/ }

# libpng for every architecture asked for: built from the given source, or one CMake finds
# (CMAKE_PREFIX_PATH, Homebrew) when it has them all.
prefix_args=()
if [ -n "$libpng_src" ]; then
  [ -f "$libpng_src/png.h" ] || die "no png.h in $libpng_src"
  cmake -S "$libpng_src" -B "$dir/libpng" -G "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_OSX_ARCHITECTURES="$archs" -DCMAKE_OSX_DEPLOYMENT_TARGET="$deployment" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_TOOLS=OFF -DPNG_EXECUTABLES=OFF \
    -DCMAKE_INSTALL_PREFIX="$PWD/$dir/deps" >/dev/null
  cmake --build "$dir/libpng" -j"$jobs" --target install >/dev/null
  prefix_args=(-DCMAKE_PREFIX_PATH="$PWD/$dir/deps" -DPNG_PNG_INCLUDE_DIR="$PWD/$dir/deps/include"
               -DPNG_LIBRARY="$PWD/$dir/deps/lib/libpng16.a")
fi

cmake -S . -B "$dir" -G "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DCORVANEL_TESTS=OFF -DCORVANEL_BENCH=OFF \
  -DCMAKE_OSX_ARCHITECTURES="$archs" -DCMAKE_OSX_DEPLOYMENT_TARGET="$deployment" \
  "${prefix_args[@]}" >/dev/null
if ! cmake --build "$dir" -j"$jobs" --target CorvanelAU CorvanelVST3 CorvanelCLAP; then
  die "the build failed; if the link refused libpng for an architecture, give a libpng
  source folder with --libpng-src, or build for this Mac only with --arch $(uname -m)"
fi

# Each bundle, its binary, the entry points hosts look up in it, and its folder under
# ~/Library/Audio/Plug-Ins.
bundles=(
  "CorvanelAU.component|CorvanelAU|CLS_CORVANEL_Factory CLS_CORVANEL_Entry CLS_CORVANEL_ViewEntry|Components"
  "framework/vst3/Corvanel.vst3|Corvanel|GetPluginFactory bundleEntry bundleExit|VST3"
  "framework/clap/Corvanel.clap|Corvanel|clap_entry|CLAP"
)
for row in "${bundles[@]}"; do
  IFS='|' read -r path executable symbols folder <<<"$row"
  bundle=$dir/$path
  binary=$bundle/Contents/MacOS/$executable
  [ -f "$binary" ] || die "no $binary"
  plutil -lint "$bundle/Contents/Info.plist" >/dev/null
  [ "$(cat "$bundle/Contents/PkgInfo")" = "BNDL????" ] || die "$bundle/Contents/PkgInfo is not BNDL????"
  for arch in $arch_list; do
    lipo "$binary" -verify_arch "$arch" || die "$binary lacks $arch"
    # Hosts find the plug-in by these names.
    exported=$(nm -gUj -arch "$arch" "$binary")
    for symbol in $symbols; do
      grep -qx "_$symbol" <<<"$exported" || die "$binary ($arch) does not export $symbol"
    done
  done

  # Ad hoc: no identity, enough for the system to load it on this Mac (not to distribute it).
  codesign --force --sign - --timestamp=none "$bundle"
  codesign --verify --verbose=1 "$bundle"
  echo "build-macos: $bundle ($(lipo -archs "$binary"), macOS $deployment or later)"

  if [ $install = 1 ]; then
    dest=$HOME/Library/Audio/Plug-Ins/$folder
    mkdir -p "$dest"
    rm -rf "${dest:?}/$(basename "$path")"
    ditto "$bundle" "$dest/$(basename "$path")"
    echo "build-macos: installed into $dest"
  fi
done

if [ $install = 1 ]; then
  echo "build-macos: check the Audio Unit with: auval -v aufx chzg OrbL"
  echo "  (a host that scanned before may list the plug-ins only after it rescans)"
fi
