#!/usr/bin/env bash
# The layer check must find what it is there to find: it runs on a small tree with one fault of
# each kind, then on the same tree without them.
set -euo pipefail
check=${1:?check-layers.sh}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{base,platform/posix,app,serial,report,qualification,sim,gui/app,main}
touch "$tree"/serial/AdPort.h "$tree"/gui/app/Mainform.h "$tree"/main/Desktop.h
printf '#include "serial/AdPort.h"\n' >"$tree"/platform/posix/SerialDevice.h
printf '#include "gui/app/Mainform.h"\n' >"$tree"/app/CaptureApp.h
printf '#include <QString>\n' >"$tree"/report/Canvas.h
printf '#include "main/Desktop.h"\n' >"$tree"/gui/app/Fonts.cpp
printf 'a b\nb c\nc a\n' >"$tree"/graph.txt

expect() {
  grep -qF "$1" <<<"$out" || { echo "not reported: $1"; echo "$out"; exit 1; }
}
if out=$("$check" "$tree" "$tree"/graph.txt); then
  echo "a tree with faults passed"
  exit 1
fi
expect "platform/posix/SerialDevice.h:1: includes serial/AdPort.h"
expect "app/CaptureApp.h:1: includes gui/app/Mainform.h"
expect "report/Canvas.h:1: a Qt header below the GUI"
expect "gui/app/Fonts.cpp:1: includes main/Desktop.h"
expect "libraries that link each other: a b c"

: >"$tree"/platform/posix/SerialDevice.h
printf '#include "platform/SerialLine.h"\n#include "base/Event.h"\n' >"$tree"/app/CaptureApp.h
: >"$tree"/report/Canvas.h
printf '#include "serial/AdPort.h"\n' >"$tree"/gui/app/Fonts.cpp
printf 'a b\nb c\n' >"$tree"/graph.txt
out=$("$check" "$tree" "$tree"/graph.txt) || { echo "a clean tree failed:"; echo "$out"; exit 1; }
