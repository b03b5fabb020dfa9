#!/usr/bin/env bash
# Sets everything up, builds and starts Tarvolin. Arguments are passed to the program
# (for example /CONFIG=2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/main/tarvolin "$@"
