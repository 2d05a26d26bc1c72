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
# A target fuzz_X may come with a seed writer make_X_seeds and a dictionary fuzz_X.dict.
mapfile -t seeders < <(ninja -C "$dir" -t targets all | sed -n 's/^\(make_[A-Za-z0-9_]*_seeds\): .*/\1/p' | sort -u)
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}" "${seeders[@]}"

for t in "${targets[@]}"; do
  bin=$(find "$dir" -type f -name "$t" -perm -u+x | head -n 1)
  corpus="$dir/corpus/$t"
  mkdir -p "$corpus"
  seeds=()
  seeder=$(find "$dir" -type f -name "make_${t#fuzz_}_seeds" -perm -u+x | head -n 1)
  if [ -n "$seeder" ]; then
    mkdir -p "$dir/seeds/$t"
    "$seeder" "$dir/seeds/$t" >/dev/null
    seeds=("$dir/seeds/$t")
  fi
  extra=()
  dict=$(find tests -name "$t.dict" | head -n 1)
  [ -n "$dict" ] && extra=(-dict="$dict")
  echo "fuzz: $t for ${seconds}s"
  "$bin" -max_total_time="$seconds" -malloc_limit_mb=512 "${extra[@]}" "$corpus" "${seeds[@]}" \
    2>"$dir/$t.log" \
    || { tail -n 60 "$dir/$t.log"; echo "fuzz: $t FAILED"; exit 1; }
done
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
