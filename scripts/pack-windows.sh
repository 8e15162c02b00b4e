#!/usr/bin/env bash
# Packs the 64-bit Windows programs of a mingw-w64 build folder for handing
# over, both ways from the same files:
#   <out-dir>/corvane-<version>-win64.zip  a folder to unzip anywhere
#   <out-dir>/corvane-<version>-x64.msi    the installer (packaging/windows/corvane.wxs, built by wixl)
# Each holds corvane.exe and corvane-cli.exe (stripped), README.txt for
# Windows users, LICENSE.txt and THIRD-PARTY-NOTICES.txt, all text in CR LF
# so that Notepad shows the lines. The version is the build's project
# version (CMakeLists.txt). Called by scripts/build-windows.sh and
# scripts/test-windows.sh; needs zip, wixl and the mingw-w64 binutils.
# Usage: scripts/pack-windows.sh <win64-build-dir> <out-dir>
# Prints the paths of the zip and the installer, one a line.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: scripts/pack-windows.sh <win64-build-dir> <out-dir>" >&2; exit 2; }
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ "$version" =~ ^[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || {
  echo "pack-windows.sh: no usable project version in $build/CMakeCache.txt: '$version'" >&2
  exit 1
}
# Windows Installer compares three fields. The installer replaces every
# version below the next one, so that this version itself is replaced too
# (see corvane.wxs).
IFS=. read -r major minor patch <<<"$version"
upgrade_below="$major.$minor.$((${patch:-0} + 1))"

stage=$(mktemp -d "${TMPDIR:-/tmp}/corvane-pack.XXXXXX")
trap 'rm -rf "$stage"' EXIT
name="corvane-$version-win64"
files="$stage/$name"
mkdir -p "$files"
x86_64-w64-mingw32-strip -o "$files/corvane.exe" "$build/src/win32/corvane.exe"
x86_64-w64-mingw32-strip -o "$files/corvane-cli.exe" "$build/src/cli/corvane-cli.exe"
sed 's/$/\r/' docs/README-windows.txt >"$files/README.txt"
sed 's/$/\r/' LICENSE >"$files/LICENSE.txt"
sed 's/$/\r/' packaging/windows/THIRD-PARTY-NOTICES.txt >"$files/THIRD-PARTY-NOTICES.txt"

rm -f "$out/$name.zip"
(cd "$stage" && zip -q -r -X "$out/$name.zip" "$name")

msi="$out/corvane-$version-x64.msi"
rm -f "$msi"
cp src/win32/resources/corvane.ico "$stage/corvane.ico"
# wixl looks for the files relative to the folder it runs in. Its
# GLib warnings about WiX attributes it does not know go to the log;
# a failure prints it.
if ! (cd "$stage" && wixl --arch x64 -D Version="$version" -D UpgradeBelow="$upgrade_below" \
        -D SourceDir="$name" -D IconFile=corvane.ico -o "$msi" \
        "$root/packaging/windows/corvane.wxs" >"$stage/wixl.log" 2>&1); then
  cat "$stage/wixl.log" >&2
  echo "pack-windows.sh: wixl failed" >&2
  exit 1
fi
echo "$out/$name.zip"
echo "$msi"
