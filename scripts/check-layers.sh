#!/usr/bin/env bash
# Checks that dependencies run one way: no source includes a folder above its own layer, the
# toolkit-free layers include no Qt header, and no two libraries link each other (directly or
# round a longer cycle). Usage: check-layers.sh <source dir> [<link graph>], the link graph being
# the "library dependency" lines the build writes (cmake/LinkGraph.cmake). Prints every
# violation and fails when there is one.
set -euo pipefail
src=${1:?source directory}
graph=${2:-}
cd "$src"

# The folders a folder's sources may include, besides their own. The logic layers take the
# platform's interfaces (platform/*.h) but none of its backends; a device layer takes the one
# backend it runs on.
allowed() {
  case $1 in
    base) echo "" ;;
    platform) echo "base" ;;
    platform/*) echo "base platform" ;;
    serial/AwPosix.*) echo "base platform serial platform/posix" ;;
    serial/AwWin32.*) echo "base platform serial platform/win32" ;;
    app | dialogs | serial | report | qualification)
      echo "base platform app dialogs serial report qualification"
      ;;
    sim) echo "" ;;
    gui/*) echo "base platform app dialogs serial report qualification gui resources" ;;
    wingui/*) echo "base platform app dialogs serial report qualification wingui resources" ;;
    main) echo "*" ;;
    *) echo "*" ;;
  esac
}

# The folder an included file belongs to for the rules: platform/<backend> or the top folder.
folder_of() {
  case $1 in
    platform/*/*) echo "${1%/*}" ;;
    */*) echo "${1%%/*}" ;;
    *) echo "." ;;
  esac
}

status=0
fail() {
  echo "$1"
  status=1
}

while IFS= read -r file; do
  own=$(folder_of "$file")
  case $file in
    serial/AwPosix.* | serial/AwWin32.*) key=$file ;;
    gui/*) key=gui/x ;;
    *) key=$own ;;
  esac
  rule=$(allowed "$key")
  [ "$rule" = "*" ] && continue
  while IFS=: read -r line included; do
    target=$(folder_of "$included")
    [ "$target" = "$own" ] && continue
    case " $rule " in
      *" $target "*) ;;
      *) fail "$file:$line: includes $included, above or beside its layer" ;;
    esac
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/' | grep -E '^[0-9]+:[a-z]+/' || true)
  case $file in
    # The desktop portal is reached through the toolkit's own D-Bus library; that backend is
    # linked into the program alone, never into a logic library.
    platform/wayland/Portal*) continue ;;
  esac
  case $own in
    # The Win32 GUI has no Qt either.
    base | platform* | app | dialogs | serial | report | qualification | sim | wingui)
      grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file" |
        while IFS=: read -r line _; do
          echo "$file:$line: a Qt header below the GUI"
        done | grep . && status=1
      ;;
  esac
done < <(find base platform app dialogs serial report qualification sim gui wingui -name '*.h' -o -name '*.cpp' |
  sort)

if [ -n "$graph" ]; then
  # tsort names the libraries of every cycle it meets.
  if ! out=$(tsort "$graph" 2>&1 >/dev/null) || [ -n "$out" ]; then
    fail "libraries that link each other: $(echo "$out" | grep -v 'input contains a loop' |
      sed 's/^tsort: //' | tr '\n' ' ')"
  fi
fi
exit $status
