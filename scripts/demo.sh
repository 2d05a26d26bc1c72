#!/usr/bin/env bash
# The main job in one command: installs the Linux dependencies, builds the plug-in
# and corvanel-render into ./build (Release), and renders the built-in demo chord
# through the plug-in. Extra arguments go to corvanel-render, for example:
#   scripts/demo.sh --preset "Trance 3" --tempo 128
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANEL_TESTS=OFF -DCORVANEL_BENCH=OFF >/dev/null
if ! cmake --build build --target corvanel-render -j"$(nproc)" >build/demo-build.log 2>&1; then
  cat build/demo-build.log >&2
  echo "demo: the build failed (log above, also in build/demo-build.log)" >&2
  exit 1
fi

out="$PWD/build/corvanel-demo.wav"
./build/tools/render/corvanel-render -o "$out" "$@"
