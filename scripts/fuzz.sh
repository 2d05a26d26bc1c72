#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz_*) with clang and runs each for a bounded
# time (FUZZ_SECONDS, default 60). Any crash, leak or sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

seconds=${FUZZ_SECONDS:-60}
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANEL_FUZZ=ON -DCORVANEL_BENCH=OFF >/dev/null
mapfile -t targets < <(ninja -C "$dir" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets"
  exit 0
fi
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"

for t in "${targets[@]}"; do
  bin=$(find "$dir" -type f -name "$t" -perm -u+x | head -n 1)
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz-seeds/$t" ] && seeds=("tests/fuzz-seeds/$t")
  echo "fuzz: $t for ${seconds}s"
  "$bin" -max_total_time="$seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>"$dir/$t.log" \
    || { tail -n 60 "$dir/$t.log"; echo "fuzz: $t FAILED"; exit 1; }
done
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
