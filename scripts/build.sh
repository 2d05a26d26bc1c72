#!/usr/bin/env bash
# Installs the Linux dependencies and builds everything into ./build (Release).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANEL_TESTS=OFF -DCORVANEL_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
