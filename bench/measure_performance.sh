#!/usr/bin/env bash
# Performance of corvane against the unpaced simulator, under Xvfb as in the
# demo: frames per second in the window (frame_rate_probe), CPU of the real
# corvane process while it mirrors and while the link is open but quiet
# (the simulator stalls after one image), its resident memory, and its CPU
# time per mirrored image (the difference of two runs that end after a
# different number of images, so that start-up cancels out).
#
# Usage: bench/measure_performance.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-5}
cmake --build "$build" --target corvane mirelon-sim frame_rate_probe >/dev/null

export BUILD="$build" SECONDS_WANTED="$seconds"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
tick=$(getconf CLK_TCK)
cpu_ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
rss_kb() { awk "/^VmRSS/ {print \$2}" "/proc/$1/status"; }

echo "== frames (in-process probe, same composition root as corvane) =="
QT_QPA_PLATFORM=xcb "$BUILD/bench/frame_rate_probe" "$BUILD/sim/mirelon-sim" "$SECONDS_WANTED"

measure() {  # label, extra simulator options...
  local label=$1; shift
  local work; work=$(mktemp -d)
  printf "COM Port=8\r\n" >"$work/config.dpm"
  "$BUILD/sim/mirelon-sim" --port 8 --dir "$work" "$@" >"$work/sim.out" 2>&1 &
  local sim=$!
  for _ in $(seq 100); do [ -e "$work/com8" ] && break; sleep 0.05; done
  (cd "$work" && QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") >"$work/corvane.out" 2>&1 &
  local pid=$!
  sleep 2
  local t0 c0 t1 c1
  t0=$(date +%s.%N); c0=$(cpu_ticks $pid)
  sleep "$SECONDS_WANTED"
  t1=$(date +%s.%N); c1=$(cpu_ticks $pid)
  local rss; rss=$(rss_kb $pid)
  awk -v c="$((c1 - c0))" -v t0="$t0" -v t1="$t1" -v hz="$tick" -v rss="$rss" -v l="$label" \
    "BEGIN { printf \"%s: corvane CPU %.1f%% of one core, resident %.1f MB\\n\", l, 100 * c / hz / (t1 - t0), rss / 1024 }"
  kill $pid; wait $pid 2>/dev/null || true
  kill $sim; wait $sim 2>/dev/null || true
  grep -h "images" "$work/sim.out" | tail -1
  rm -rf "$work"
}
# corvane CPU ticks when a simulator that ends after $1 images has ended.
ticks_for_images() {
  local work; work=$(mktemp -d)
  printf "COM Port=8\r\n" >"$work/config.dpm"
  "$BUILD/sim/mirelon-sim" --port 8 --dir "$work" --frames-limit "$1" >"$work/sim.out" 2>&1 &
  local sim=$!
  for _ in $(seq 100); do [ -e "$work/com8" ] && break; sleep 0.05; done
  (cd "$work" && QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") >"$work/corvane.out" 2>&1 &
  local pid=$!
  wait $sim || true
  cpu_ticks $pid
  kill $pid; wait $pid 2>/dev/null || true
  rm -rf "$work"
}

echo "== corvane process =="
measure "mirroring (unpaced simulator)"
measure "idle, link open (simulator stalled)" --stall-after 1
few=200; many=$((200 + 300 * SECONDS_WANTED))
a=$(ticks_for_images $few); b=$(ticks_for_images $many)
awk -v a="$a" -v b="$b" -v n="$((many - few))" -v hz="$tick" \
  "BEGIN { printf \"per mirrored image: corvane CPU %.3f ms (%d images)\\n\", 1000 * (b - a) / hz / n, n }"
'
