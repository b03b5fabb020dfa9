#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer+UBSan; the fuzz preset) and runs each
# on a scratch copy of its seed corpus fuzz/corpus/<name>, for SECONDS seconds of one process
# each. The test command runs it for a few seconds as a smoke run; long runs are this script
# with a longer time, e.g. `scripts/fuzz.sh 600 ini_fuzz`. A finding stops the script with the
# crashing input left in the working directory as crash-<hash>.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      (default: 5 seconds, every *_fuzz target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
shift || true
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(find fuzz -maxdepth 1 -name '*_fuzz.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for t in "${targets[@]}"; do
  corpus="$scratch/${t%_fuzz}"
  mkdir -p "$corpus"
  cp -r "fuzz/corpus/${t%_fuzz}/." "$corpus/" 2>/dev/null || true
  echo "=== $t (${seconds}s) ==="
  status=0
  build/fuzz/fuzz/"$t" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=3 \
    "$corpus" >"$scratch/$t.log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+.*DONE' "$scratch/$t.log" || true
  if [ "$status" -ne 0 ]; then
    tail -40 "$scratch/$t.log"
    echo "$t: finding (exit status $status)"
    exit 1
  fi
done
