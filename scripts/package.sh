#!/usr/bin/env bash
# Builds the Debian package of Tarvolin from the release build and checks it with lintian:
#
#   scripts/package.sh        -> build/package/tarvolin_<version>_<architecture>.deb
#
# Install it with `sudo apt install ./build/package/tarvolin_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
# Only what the package holds; the tests are not needed for it.
cmake --build --preset release -j "$(nproc)" --target tarvolin_package_files
rm -rf build/package
cpack --config build/release/CPackConfig.cmake -B build/package
rm -rf build/package/_CPack_Packages
lintian --fail-on error,warning build/package/tarvolin_*.deb
ls build/package/tarvolin_*.deb
