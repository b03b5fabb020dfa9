#!/usr/bin/env bash
# Sets everything up, builds and starts Tarvolin.
#
#   scripts/run.sh [--own-config] [ARGS...]   with the balance simulator on COM1
#   scripts/run.sh --hardware [ARGS...]       on the real serial ports, without the simulator
#
# With the simulator Tarvolin starts on a fresh configuration in a temporary directory (COM1 and
# the default filter), so that readings arrive whatever was saved before; --own-config uses your
# saved configuration instead. ARGS go to Tarvolin (for example /CONFIG=2).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=sim
case "${1:-}" in
  --own-config) mode=own; shift ;;
  --hardware) mode=hardware; shift ;;
esac

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target tarvolin tarvolin-sim

if [ "$mode" = hardware ]; then
  exec build/release/main/tarvolin "$@"
fi

if [ "$mode" = sim ]; then
  profile="$(mktemp -d -t tarvolin-demo.XXXXXX)"
  trap 'rm -rf "$profile"' EXIT
  export USERPROFILE="$profile"
fi

cat <<'EOF'
A simulated balance sends a weighing every two seconds on COM1.
  1. Press "Start" in the Tarvolin window (the indicator turns orange).
  2. Click into an editor or a spreadsheet: the indicator turns green and shows its title,
     and each weighing is typed there, followed by Enter.
  3. Press "Stop" to end the capture; close the window to quit.
EOF
[ "$mode" = sim ] && echo "Settings saved in this run go to $USERPROFILE and are removed at exit."
build/release/sim/tarvolin-sim --com 1 --interval 2000 --run build/release/main/tarvolin "$@"
