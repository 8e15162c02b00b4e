#!/usr/bin/env bash
# Performance of corvane against the unpaced simulator, under Xvfb as in the
# demo: frames per second in the window (frame_rate_probe), CPU of the real
# corvane process while it mirrors and while the link is open but quiet
# (the simulator stalls after one image), its resident memory, and while it
# mirrors, its CPU time per image (images counted by the simulator's log of
# the requests).
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
  "$BUILD/sim/mirelon-sim" --port 8 --dir "$work" --log "$work/sim.log" "$@" >"$work/sim.out" 2>&1 &
  local sim=$!
  for _ in $(seq 100); do [ -e "$work/com8" ] && break; sleep 0.05; done
  (cd "$work" && QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") >"$work/corvane.out" 2>&1 &
  local pid=$!
  sleep 2
  # Images mirrored: every image is answered by the next request, which
  # the simulator logs.
  requests() { awk "\$3 == \"<\"" "$work/sim.log" | wc -l; }
  local t0 c0 r0 t1 c1 r1
  r0=$(requests); t0=$(date +%s.%N); c0=$(cpu_ticks $pid)
  sleep "$SECONDS_WANTED"
  t1=$(date +%s.%N); c1=$(cpu_ticks $pid); r1=$(requests)
  local rss; rss=$(rss_kb $pid)
  awk -v c="$((c1 - c0))" -v r="$((r1 - r0))" -v t0="$t0" -v t1="$t1" -v hz="$tick" -v rss="$rss" -v l="$label" \
    "BEGIN { printf \"%s: %.1f images/s, corvane CPU %.1f%% of one core, resident %.1f MB\", l, r / (t1 - t0), 100 * c / hz / (t1 - t0), rss / 1024;
             if (r > 100) printf \"; per image %.3f ms CPU\", 1000 * c / hz / r; printf \"\\n\" }"
  kill $pid; wait $pid 2>/dev/null || true
  kill $sim; wait $sim 2>/dev/null || true
  grep -h "images" "$work/sim.out" | tail -1
  rm -rf "$work"
}
echo "== corvane process =="
measure "mirroring (unpaced simulator)"
measure "idle, link open (simulator stalled)" --stall-after 1
'
