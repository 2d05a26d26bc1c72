#!/usr/bin/env bash
# The main job in one command: installs the Linux dependencies, builds the plug-in,
# corvanel-render and corvanel-editor into ./build (Release), renders the built-in demo
# chord through the plug-in, and draws the editor as it stands at the end of the demo
# (at 100 % and at 200 %).
# Extra arguments go to corvanel-render, for example:
#   scripts/demo.sh --preset "Trance 3" --tempo 128
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANEL_TESTS=OFF -DCORVANEL_BENCH=OFF >/dev/null
if ! cmake --build build --target corvanel-render corvanel-editor -j"$(nproc)" >build/demo-build.log 2>&1; then
  cat build/demo-build.log >&2
  echo "demo: the build failed (log above, also in build/demo-build.log)" >&2
  exit 1
fi

out="$PWD/build/corvanel-demo.wav"
state="$PWD/build/corvanel-demo.state"
picture="$PWD/build/corvanel-editor.png"
./build/tools/render/corvanel-render -o "$out" --state-out "$state" "$@"

# The editor picture: the state the demo ended with, and the transport where it ended.
transport=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tempo|--start|--sample-rate) [ $# -ge 2 ] && transport+=("$1" "$2") && shift ;;
  esac
  shift
done
picture200="$PWD/build/corvanel-editor-200.png"
./build/tools/editor/corvanel-editor --state-in "$state" --play-demo "${transport[@]}" -o "$picture"
./build/tools/editor/corvanel-editor --state-in "$state" --play-demo "${transport[@]}" --scale 2 \
  -o "$picture200"
rm -f "$state"
echo "Editor: $picture (the editor at the end of the demo; open it in any image viewer)"
echo "        $picture200 (the same at 200 %, as on a high-resolution screen)"
