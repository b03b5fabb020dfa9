#!/usr/bin/env bash
# Builds the installer: build-msi.sh OUTPUT.msi VERSION PROGRAM.exe HELP.hlp ICON.ico WXS STAGE
# wixl takes its source files by relative names, so they are staged first under the names they
# have in the installation.
set -euo pipefail
out=$1 version=$2 program=$3 help=$4 icon=$5 wxs=$6 stage=$7

rm -rf "$stage"
mkdir -p "$stage"
cp "$program" "$stage/Tarvolin.exe"
cp "$help" "$stage/Tarvolin.hlp"
cp "$icon" "$stage/Tarvolin.ico"
cp "$wxs" "$stage/Tarvolin.wxs"
cd "$stage"
wixl -a x64 -D Version="$version" -D ExeSource=Tarvolin.exe -D HelpSource=Tarvolin.hlp \
  -D IconSource=Tarvolin.ico -o package.msi Tarvolin.wxs

# wixl drops IncludeMaximum: without it an installed package of the same first three version
# fields (which are all Windows compares) would stay beside the new one instead of being
# replaced. 512 is the inclusive maximum, 256 the inclusive minimum.
msiinfo export package.msi Upgrade >Upgrade.idt
grep -q $'\t256\t\tOLDERVERSIONFOUND' Upgrade.idt
sed -i $'s/\t256\t\tOLDERVERSIONFOUND/\t768\t\tOLDERVERSIONFOUND/' Upgrade.idt
msibuild package.msi -i Upgrade.idt
msiinfo export package.msi Upgrade | grep -q $'\t768\t\tOLDERVERSIONFOUND'
mv package.msi "$out"
