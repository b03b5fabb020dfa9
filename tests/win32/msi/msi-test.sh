#!/usr/bin/env bash
# msi-test.sh OLD.msi NEW.msi NEW_VERSION [CHECK...], inside the Wine prefix of
# scripts/wine-test.sh: installs OLD silently, checks the files and the Start-menu shortcut and
# starts its target, installs NEW over it (one installation left, of the new version; NEW "-"
# leaves OLD of version NEW_VERSION installed instead), then removes it: nothing is left in Program Files\Tarvolin, the shortcut is gone, a user's
# configuration stays. The stand-in program writes the path it runs from into the file it is
# given; with the real program, CHECK is a command that gets the shortcut's target (a Windows
# path) as its last argument and checks the program there instead.
set -euo pipefail
old=$1 new=$2 new_version=$3
shift 3
: "${WINEPREFIX:?run inside scripts/wine-test.sh}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
win() { wine cmd /c "echo $1" 2>/dev/null | tr -d '\r'; }
program_files=$(winepath -u "$(win '%ProgramFiles%')")
install_dir="$program_files/Tarvolin"
profile=$(winepath -u "$(win '%USERPROFILE%')")
appdata=$(winepath -u "$(win '%APPDATA%')")
programdata=$(winepath -u "$(win '%ProgramData%')")
# A per-machine package puts it into the common Start menu; Wine's installer may choose the
# user's.
shortcuts=("$programdata/Microsoft/Windows/Start Menu/Programs/Tarvolin.lnk"
  "$appdata/Microsoft/Windows/Start Menu/Programs/Tarvolin.lnk")
shortcut() {
  for s in "${shortcuts[@]}"; do [ -f "$s" ] && echo "$s" && return 0; done
  return 1
}
installed_versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | awk '/^HKEY/ {name=""} /DisplayName.*REG_SZ.*Tarvolin$/ {name=1}
      /DisplayVersion/ {v=$NF} /^$/ {if (name) print v; name=""}' | sort
}

[ -z "$(installed_versions)" ] || fail "Tarvolin is installed before the test"
# A failed run removes what it installed, so that the other installer test finds a clean prefix.
installed=""
remove_left() { [ -z "$installed" ] || wine msiexec /x "$(winepath -w "$installed")" /qn || true; }
trap remove_left EXIT
installed=$old
wine msiexec /i "$(winepath -w "$old")" /qn || fail "installing $old"
for f in Tarvolin.exe Tarvolin.hlp; do [ -f "$install_dir/$f" ] || fail "$f not installed"; done
link=$(shortcut) || fail "no Start-menu shortcut"
target='C:\Program Files\Tarvolin\Tarvolin.exe'
grep -aqF "$target" "$link" || fail "the shortcut does not point at $target"
# What the shortcut starts is the installed program.
if [ $# -gt 0 ]; then
  "$@" "$target" || fail "the installed program's check: $*"
else
  ran="$profile/ran.txt"
  wine "$target" "$(winepath -w "$ran")" || fail "the installed program did not start"
  [ "$(cat "$ran")" = "$target" ] || fail "started $(cat "$ran")"
  rm -f "$ran"
fi

done="installed, upgraded and removed"
if [ "$new" = - ]; then
  new=$old done="installed and removed"
else
  installed=$new
  wine msiexec /i "$(winepath -w "$new")" /qn || fail "installing $new over the older one"
fi
versions=$(installed_versions)
[ "$versions" = "$new_version" ] || fail "installed after the upgrade: $(echo $versions)"
[ -f "$install_dir/Tarvolin.exe" ] || fail "the upgrade removed the program"

config="$profile/Tarvolin.INI"
printf '[Schnittstelle]\r\nPort=1\r\n' >"$config"
wine msiexec /x "$(winepath -w "$new")" /qn || fail "removing $new"
installed=""
[ ! -e "$install_dir" ] || fail "left in Program Files\\Tarvolin: $(ls -A "$install_dir")"
! shortcut >/dev/null || fail "the shortcut is left"
[ -z "$(installed_versions)" ] || fail "still registered as installed"
! wine reg query 'HKLM\Software\Morvisk\Tarvolin' >/dev/null 2>&1 || fail "its registry key is left"
[ -f "$config" ] || fail "the user's configuration was removed"
rm -f "$config"
echo "$done"
