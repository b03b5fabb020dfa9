#!/usr/bin/env bash
# Idle cost of capturing: starts Tarvolin on a private X server with COM1 on a pseudo-terminal
# that sends nothing, presses Start, and prints how often each of its threads woke up per second
# (voluntary and involuntary context switches from /proc) while the port is open and idle.
#
#   bench/idle_wakeups.sh [SECONDS]     (default 10; BUILD_DIR chooses the build, default release)
#
# TTY=/dev/ttyS0 measures on that serial device instead (one with modem lines, nothing attached).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build/release}
seconds=${1:-10}
cmake --build "$dir" --target tarvolin >/dev/null

work=$(mktemp -d -t tarvolin-idle.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 5 -nolisten tcp -screen 0 1024x768x24 5>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

if [ -n "${TTY:-}" ]; then
  ln -s "$TTY" "$work/tty"
else
  # The instrument: a pseudo-terminal whose other side stays open and silent.
  socat -d -d pty,raw,echo=0,link="$work/tty" EXEC:"sleep 100000" 2>"$work/socat.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$work/tty" ] && break; sleep 0.1; done
fi

printf '[Comms]\r\nPort=1\r\n' >"$work/Tarvolin.INI"
USERPROFILE="$work" TARVOLIN_COM1="$work/tty" TARVOLIN_STATE_DUMP="$work/state" \
  "$dir/main/tarvolin" >"$work/tarvolin.log" 2>&1 &
program=$!
pids+=("$program")

state() {
  rm -f "$work/state"
  kill -USR1 "$program"
  for _ in $(seq 50); do [ -s "$work/state" ] && break; sleep 0.1; done
  cat "$work/state"
}
window=$(xdotool search --sync --name '^Tarvolin$' | head -1)
for _ in $(seq 50); do state | grep -q '^buttonAt=' && break; sleep 0.1; done
at=$(state | sed -n 's/^buttonAt=//p')
xdotool mousemove --window "$window" "${at%,*}" "${at#*,}" click 1
for _ in $(seq 50); do state | grep -q '^button=Stop' && break; sleep 0.1; done
state | grep -q '^button=Stop' || { echo "Start did not open the port" >&2; cat "$work/tarvolin.log" >&2; exit 1; }
sleep 2

switches() {
  for t in /proc/"$program"/task/*; do
    printf '%s %s %s\n' "${t##*/}" "$(tr ' ' '_' <"$t/comm")" \
      "$(awk '/ctxt_switches/ {n += $2} END {print n}' "$t/status")"
  done | sort
}
switches >"$work/before"
sleep "$seconds"
switches >"$work/after"
join "$work/before" "$work/after" | awk -v s="$seconds" '
  { rate = ($5 - $3) / s; total += rate; if (rate > 0) printf "%-8s %-16s %6.1f /s\n", $1, $2, rate }
  END { printf "total wake-ups with the port open and idle: %.1f per second\n", total }'
