#!/usr/bin/env bash
# Sets everything up and runs every test: the optimised build with all suites (the X11 ones
# start their own headless X server), then every suite again under AddressSanitizer+UBSan (the
# windows, the dialogs and the program end to end included), the logic, serial, capture and
# window suites under ThreadSanitizer (tests/sanitizers/tsan.supp names what is Qt's own), every
# fuzz target for a few seconds (scripts/fuzz.sh), and finally the Windows build (MinGW-w64) with
# its suite under Wine (scripts/wine-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
for preset in release asan tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

echo "=== tests: release ==="
ctest --preset release -j "$jobs"
echo "=== tests: asan ==="
# The Debian package is made from the optimised build and checked there.
ctest --preset asan -j "$jobs" -LE package
echo "=== tests: tsan ==="
# The windows' suites too, where the serial threads meet the GUI thread. The program end to end
# is left out: the GLib main loop under Qt makes its wake-up descriptor on a thread of its own and
# hands it over through locks the sanitizer cannot see, so every start reports a race there.
ctest --preset tsan -j "$jobs" -L 'base|serial|capture|gui'
echo "=== fuzz targets: a smoke run of each on its seed corpus ==="
scripts/fuzz.sh 5
echo "=== tests: windows (Wine) ==="
scripts/wine-test.sh
