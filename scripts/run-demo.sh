#!/usr/bin/env bash
# Corvane against the simulated Mirelon controller, on a fresh Debian 12
# machine: installs what is missing, builds corvane and mirelon-sim, and
# starts both in a scratch working directory so that Corvane mirrors the
# simulator at once.
#
# With a display ($DISPLAY set) both run until you close Corvane's window.
# Without one they run under Xvfb for a few seconds; a screenshot is saved
# and its path printed.
#
# Usage: scripts/run-demo.sh [build-dir]   (default: build)
#   CORVANE_DEMO_SECONDS  how long the headless run lasts (default 6)
#   CORVANE_DEMO_PORT     the COM number the two agree on (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build}
seconds=${CORVANE_DEMO_SECONDS:-6}
port=${CORVANE_DEMO_PORT:-5}

scripts/install-deps.sh
cmake --preset dev -B "$build" >/dev/null
cmake --build "$build" --target corvane mirelon-sim
corvane_bin=$(realpath "$build/src/qt/corvane")
sim_bin=$(realpath "$build/sim/mirelon-sim")

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-demo.XXXXXX")
echo "Working directory: $work"
# Corvane reads its port from config.dpm; the simulator names its
# pseudo-terminal com<port> in the same directory.
printf 'COM Port=%s\r\n' "$port" >"$work/config.dpm"

sim_pid=
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

start_sim() {
  "$sim_bin" --port "$port" --dir "$work" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    [ -e "$work/com$port" ] && return 0
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "mirelon-sim did not start:" >&2
  cat "$work/sim.out" >&2
  exit 1
}

if [ -n "${DISPLAY:-}" ]; then
  start_sim
  echo "Corvane mirrors the simulator on COM$port; close its window to end."
  (cd "$work" && "$corvane_bin")
  exit 0
fi

# No display: both under Xvfb for a few seconds, then a screenshot.
shot="$work/corvane-demo.png"
export CORVANE_DEMO_WORK="$work" CORVANE_DEMO_SHOT="$shot" CORVANE_DEMO_SECONDS="$seconds"
export CORVANE_DEMO_BIN="$corvane_bin"
start_sim
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  cd "$CORVANE_DEMO_WORK"
  QT_QPA_PLATFORM=xcb "$CORVANE_DEMO_BIN" >"$CORVANE_DEMO_WORK/corvane.out" 2>&1 &
  pid=$!
  sleep "$CORVANE_DEMO_SECONDS"
  import -window root "$CORVANE_DEMO_SHOT"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  true
'
echo "Screenshot: $shot"
