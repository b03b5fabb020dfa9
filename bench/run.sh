#!/usr/bin/env bash
# Builds the optimised preset and prints the figures of every benchmark in bench/ (each
# *Bench.cpp is one executable bench_<name>, in the build folder matching its source folder).
# BUILD_DIR chooses another build directory (default: the release preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build/release}
cmake --preset release -B "$dir" >/dev/null
mapfile -t sources < <(find bench -name '*Bench.cpp' | sort)
available=$(cmake --build "$dir" --target help)
targets=()
for src in "${sources[@]}"; do
  name="bench_$(basename "$src" .cpp)"
  # Benchmarks whose backend is switched off in this build have no target.
  if grep -q "^$name:" <<<"$available"; then targets+=("$name"); fi
done
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  echo "=== $t ==="
  exe=$(find "$dir/bench" -type f -name "$t" | head -1)
  "$exe" --benchmark_counters_tabular=true
done
