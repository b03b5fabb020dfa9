#!/usr/bin/env bash
# Builds the optimised preset and prints the figures of every benchmark in bench/.
# BUILD_DIR chooses another build directory (default: the release preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build/release}
cmake --preset release -B "$dir" >/dev/null
targets=()
for src in bench/*Bench.cpp; do
  targets+=("bench_$(basename "$src" .cpp)")
done
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  echo "=== $t ==="
  "$dir/bench/$t" --benchmark_counters_tabular=true
done
