#!/usr/bin/env bash
# Builds the Windows preset (MinGW-w64) and runs its tests under Wine, in a throw-away Wine
# prefix that is removed afterwards. COM1 and COM2 are linked through a pair of pseudo-terminals
# (socat), so the serial tests play the instrument on COM2; a preloaded shim gives the ptys modem
# lines, which Wine's event wait needs. A private Xvfb serves the window and keyboard tests, and
# the prefix gets the fonts the windows and the report ask for. With TARVOLIN_DOCS_DIR set, the
# pictures the end-to-end suite takes of Tarvolin.exe's windows are kept there as PNG files.
# Extra arguments go to ctest (for example -L win32 or -R Keys); with --run, the rest is a command
# to run in that environment instead (for example --run wine build/windows/tests/...exe).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

work=$(mktemp -d /tmp/tarvolin-wine.XXXXXX)
# No Mono or Gecko installers; and without its debugger a crashing test ends at once.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
socat_pid="" xvfb_pid=""
cleanup() {
  [ -n "$socat_pid" ] && kill "$socat_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cc -shared -fPIC -O2 -Wall -Wextra -Werror -o "$work/ptymodem.so" tests/win32/PtyModemShim.c -ldl

socat pty,link="$work/com1",raw,echo=0 pty,link="$work/com2",raw,echo=0 &
socat_pid=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && [ -e "$work/com2" ] && break; sleep 0.05; done

# The prefix, then the port mapping; wineserver reads it at its next start.
wine cmd /c exit >/dev/null 2>&1
for n in 1 2; do
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$work/com$n" /f >/dev/null
done
# Fonts of the windows and the report, which a bare prefix lacks: Wine's own bitmap "MS Sans Serif"
# (the western code page's file), Tahoma (message boxes, common dialogs) and Marlett (the caption
# buttons' symbols), which Wine reads from the prefix's font folder only; Arial is Liberation Sans
# under its name, metric-compatible.
cp /usr/share/wine/fonts/{sserife.fon,tahoma.ttf,tahomabd.ttf,marlett.ttf} \
  "$WINEPREFIX/drive_c/windows/Fonts/"
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' \
  /f >/dev/null
# Pictures for the documentation show the windows' title bars: without a window manager only
# Wine draws them, and only for windows it does not leave to one.
if [ -n "${TARVOLIN_DOCS_DIR:-}" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
fi
wineserver -k
wineserver -w

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

# A persistent server and one warm-up: otherwise Wine's services inherit ctest's pipes and every
# test waits for them.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1

export TARVOLIN_TEST_COM=1 TARVOLIN_TEST_INSTRUMENT_COM=2 TARVOLIN_PTY_LINES=$work/lines
# With TARVOLIN_DOCS_DIR set, the end-to-end suite's pictures of the windows land there as PNG.
if [ -n "${TARVOLIN_DOCS_DIR:-}" ]; then
  mkdir -p "$work/shots"
  export TARVOLIN_SCREENSHOT_DIR="Z:${work//\//\\}\\shots"
fi
status=0
if [ "${1:-}" = "--run" ]; then
  shift
  LD_PRELOAD=$work/ptymodem.so "$@" || status=$?
else
  LD_PRELOAD=$work/ptymodem.so ctest --preset windows -j "$(nproc)" "$@" || status=$?
fi
if [ -n "${TARVOLIN_DOCS_DIR:-}" ]; then
  for shot in "$work"/shots/*.bmp; do
    [ -e "$shot" ] && convert "$shot" "$TARVOLIN_DOCS_DIR/$(basename "${shot%.bmp}").png"
  done
fi
exit "$status"
