#!/usr/bin/env bash
# Installs the Linux dependencies, builds the project with its tests (warnings are
# errors) and runs them, then the same for the macOS configuration (build-macos). With
# --sanitize the Linux tree is tested under AddressSanitizer and UndefinedBehaviorSanitizer
# in a build folder of its own. With --tsan only the stress
# host is built, under ThreadSanitizer, and run: the plug-in's audio, editor and host
# threads at once, for a few seconds per deliverable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# The editors the tests open read and write the user's editor-size preference: here in a
# folder of the run's own, so that neither the user's choice nor one test's changes another.
CORVANEL_CONFIG_DIR=$(mktemp -d)
export CORVANEL_CONFIG_DIR
trap 'rm -rf "$CORVANEL_CONFIG_DIR"' EXIT

dir=build-tests
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANEL_WERROR=ON)
case "${1:-}" in
  "") ;;
  --sanitize)
    dir=build-asan
    options+=(-DCORVANEL_SANITIZE=ON -DCORVANEL_BENCH=OFF)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --tsan)
    dir=build-tsan
    options+=(-DCORVANEL_TSAN=ON -DCORVANEL_BENCH=OFF)
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    ;;
  *) echo "usage: scripts/test.sh [--sanitize | --tsan]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
if [ "${1:-}" = --tsan ]; then
  cmake --build "$dir" -j"$(nproc)" --target corvanel-stress
  "$dir/tests/stress/corvanel-stress" 4
  exit
fi
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"

# The macOS configuration on the stand-in frameworks and GNUstep: the Audio Unit, VST3 and
# CLAP bundles with the Cocoa view and the macOS drawing layer. Its view tests compare the
# screen with the pictures of the Linux tree's corvanel-editor, and the bundles' output is
# compared with the Linux tree's VST2 plug-in.
if [ "$dir" = build-tests ]; then
  cmake -S . -B build-macos -G Ninja "${options[@]}" -DCORVANEL_MACOS_STANDIN=ON \
    -DCORVANEL_LINUX_EDITOR="$PWD/build-tests/tools/editor/corvanel-editor" \
    -DCORVANEL_LINUX_VST2="$PWD/build-tests/framework/vst/Corvanel.so" >/dev/null
  cmake --build build-macos -j"$(nproc)"
  ctest --test-dir build-macos --output-on-failure -j"$(nproc)"
fi
