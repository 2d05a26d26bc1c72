#!/usr/bin/env bash
# Installs every Debian package the Linux build, the tests, the benchmarks,
# the fuzzers, the render tool and the Ardour host tests (ardour7-lua) need.
# Idempotent and quiet; safe to re-run.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev llvm
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fontconfig fonts-liberation fonts-dejavu-core
  libsndfile1-dev
  binutils file
  libx11-dev libxext-dev xvfb xauth xdotool x11-utils imagemagick
  gobjc++ libgnustep-gui-dev gnustep-make gnustep-back0.29
  ardour python3
  lv2-dev liblilv-dev lilv-utils sordi jalv jackd2
  qtractor
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
