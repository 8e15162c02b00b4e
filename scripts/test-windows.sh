#!/usr/bin/env bash
# The Windows build's tests on a Debian 12 machine: installs what is missing
# (mingw-w64, Wine, GoogleTest's source), cross-builds Corvane for 64-bit
# Windows and runs its test programs under wine64 with ctest. Needs no
# display. (The 32-bit build, compiled only, is CI's: .ci/run.)
# Then runs the end-to-end test of corvane.exe under wine64 and Xvfb
# against the Linux mirelon-sim, built in the Linux build named (made when
# there is none), and
# packs the programs into the installer, which scripts/check-msi.sh reads,
# installs, starts and removes under wine64 and Xvfb.
# Usage: scripts/test-windows.sh [win64-build-dir] [linux-e2e-build-dir]
#        (default: build-win64 build-win-e2e)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win64}
build_e2e=${2:-build-win-e2e}
werror=${CORVANE_WERROR:-ON}
scripts/install-deps.sh windows

# One Wine prefix per build folder, made on the first run; nothing of the
# user's own ~/.wine is touched.
mkdir -p "$build"
export WINEPREFIX="$(cd "$build" && pwd)/wineprefix"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver
# Wine's server and system processes outlive a run that is killed before
# its trap. Started with every descriptor the caller left open besides the
# standard three closed, they hold nothing of the caller's, such as the lock
# a build was started under, which they would otherwise keep for good.
without_inherited_fds() {
  (
    for fd in /proc/"$BASHPID"/fd/*; do
      fd=${fd##*/}
      if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi
    done
    exec "$@"
  )
}
# A server that stays up between the programs: without it every test
# program pays Wine's start-up, and test discovery at build time times out.
# It ends a minute after the last program, so it cannot outlive a killed run
# for long.
without_inherited_fds "$wineserver" -p60 >/dev/null 2>&1 </dev/null || true  # already up for this prefix
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Making the Wine prefix $WINEPREFIX =="
  without_inherited_fds /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null
fi
# Wine's system processes (services.exe, winedevice.exe, ...) are started by
# the first program of a session, inherit its standard output and error, and
# live for as long as any Wine program runs. Were a test program the first,
# ctest would wait on that program's output pipe long after it ended, until
# the test timed out. A program of our own, whose output goes nowhere, starts
# them instead and keeps them up for the whole run: cmd reading a pipe that
# this script alone holds open (it ends when the script does, killed or not).
exec {wine_keeper}> >(without_inherited_fds /usr/lib/wine/wine64 cmd >/dev/null 2>&1)
without_inherited_fds /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null

echo "== Windows 64-bit: cross build and tests under wine64 =="
cmake --preset win64 -B "$build" -DCORVANE_WERROR="$werror"
cmake --build "$build"
# A test is run a second time only when it fails: now and then Wine fails
# to start a test program at all (it ends within milliseconds, before main,
# printing nothing), which says nothing of the code under test. A test that
# fails twice fails the run.
ctest --test-dir "$build" --output-on-failure -j2 --repeat until-pass:2

echo "== corvane.exe under wine64 and Xvfb against mirelon-sim =="
program=$(cd "$build/src/win32" && pwd)/corvane.exe
if [ -f "$build_e2e/CMakeCache.txt" ]; then
  # A Linux build that is there already (scripts/test.sh passes its own):
  # only the test is added to it, everything else is built.
  cmake -B "$build_e2e" -DCORVANE_WIN32_PROGRAM="$program" >/dev/null
else
  cmake --preset dev -B "$build_e2e" -DCORVANE_BUILD_BENCH=OFF \
        -DCORVANE_WERROR="$werror" -DCORVANE_WIN32_PROGRAM="$program"
fi
cmake --build "$build_e2e" --target e2e_win32_tests
ctest --test-dir "$build_e2e" --output-on-failure -R '^e2e_win32_mirror$'

echo "== The installer: its tables, then installed, started and removed under wine64 =="
# A Wine prefix of its own, whose desktop is on the X server of the check.
msi=$(scripts/pack-windows.sh "$build" "$build/dist" | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
xvfb-run -a -s "-screen 0 1024x768x24" \
  scripts/check-msi.sh "$msi" "$version" "$build/wineprefix-msi"
