#!/usr/bin/env bash
# Builds corvane.exe and corvane-cli.exe for 64-bit Windows with the mingw-w64
# cross compilers (installed with apt-get when missing) and packs
# dist/corvane-<version>-win64.zip: the programs (static, no DLL beside them),
# README.txt for Windows users, and the licence when the tree has one. Also
# compiles the 32-bit programs, so that they stay clean.
# Usage: scripts/build-windows.sh [win64-build-dir] [win32-build-dir]
#        (default: build-win64-release build-win32-release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-win64-release}
build32=${2:-build-win32-release}
scripts/install-deps.sh windows

# Warnings are CI's business (scripts/test-windows.sh); GCC 12 at -O3 also
# warns falsely (-Wrestrict) inside std::string.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCORVANE_BUILD_TESTS=OFF \
      -DCORVANE_WERROR=OFF
cmake --build "$build" --target corvane corvane-cli
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
name="corvane-$version-win64"
mkdir -p "$stage/$name"
x86_64-w64-mingw32-strip -o "$stage/$name/corvane.exe" "$build/src/win32/corvane.exe"
x86_64-w64-mingw32-strip -o "$stage/$name/corvane-cli.exe" "$build/src/cli/corvane-cli.exe"
# CR LF, so that Notepad shows the lines.
sed 's/$/\r/' docs/README-windows.txt >"$stage/$name/README.txt"
for licence in LICENSE LICENSE.txt LICENSE.md COPYING; do
  [ -f "$licence" ] && sed 's/$/\r/' "$licence" >"$stage/$name/LICENSE.txt"
done
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && zip -q -r -X "$root/dist/$name.zip" "$name")

cmake -S . -B "$build32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCORVANE_BUILD_TESTS=OFF \
      -DCORVANE_WERROR=OFF
cmake --build "$build32" --target corvane corvane-cli

echo "dist/$name.zip"
