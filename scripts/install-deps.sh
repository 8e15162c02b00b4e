#!/usr/bin/env bash
# Installs, with apt-get, whatever of Corvane's build and test needs is missing
# on a Debian 12 machine. Needs root (or sudo).
# Usage: scripts/install-deps.sh [format] [fuzz] [package] [windows]
#   format   also clang-format, for scripts/check-format.sh
#   fuzz     also clang and its libFuzzer runtime, for scripts/fuzz.sh
#   package  also dpkg-dev (dpkg-shlibdeps) and lintian, for scripts/package-deb.sh
#   windows  also the mingw-w64 compilers, Wine, GoogleTest's source, and wixl
#            and msitools for the installer, for scripts/test-windows.sh and
#            scripts/build-windows.sh
set -euo pipefail
# ser2net: the network port's tests start their own instance on 127.0.0.1.
# Debian's package also enables a system service whose stock configuration
# serves /dev/ttyS0 and more on localhost ports 2000 and up; on a machine
# where that is unwanted, "systemctl disable --now ser2net" stops it.
# libavcodec-dev, libavformat-dev: the clips corvane-cli exports (H.264
# through the libx264 Debian's libavcodec is built with, and GIF); ffmpeg:
# ffprobe and ffmpeg, with which the tests check those clips.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
          libcli11-dev zlib1g-dev qt6-base-dev xvfb xauth xdotool imagemagick x11-utils x11-xkb-utils
          ser2net libavcodec-dev libavformat-dev libavutil-dev ffmpeg)
for extra in "$@"; do
  case "$extra" in
    format) packages+=(clang-format) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    package) packages+=(dpkg-dev lintian) ;;
    # The -posix compilers: the win32-thread ones have no std::thread.
    windows) packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
                        binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest
                        libz-mingw-w64-dev wine64 zip wixl msitools) ;;
    *) echo "install-deps.sh: unknown extra '$extra' (known: format, fuzz, package, windows)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
