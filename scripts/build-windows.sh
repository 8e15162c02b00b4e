#!/usr/bin/env bash
# Builds corvane.exe and corvane-cli.exe for 64-bit Windows with the mingw-w64
# cross compilers (installed with apt-get when missing) and packs them with
# scripts/pack-windows.sh, as dist/corvane-<version>-win64.zip and as the
# installer dist/corvane-<version>-x64.msi: the programs (static, no DLL
# beside them), README.txt for Windows users, the licence and the
# third-party notices. Also compiles the 32-bit programs, so that they stay
# clean.
# Usage: scripts/build-windows.sh [win64-build-dir] [win32-build-dir]
#        (default: build-win64-release build-win32-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win64-release}
build32=${2:-build-win32-release}
scripts/install-deps.sh windows

# Warnings are CI's business (scripts/test-windows.sh); GCC 12 at -O3 also
# warns falsely (-Wrestrict) inside std::string.
cmake --preset win64-release -B "$build"
cmake --build "$build" --target corvane corvane-cli
packages=$(scripts/pack-windows.sh "$build" dist)

cmake --preset win32-release -B "$build32"
cmake --build "$build32" --target corvane corvane-cli

echo "$packages"
