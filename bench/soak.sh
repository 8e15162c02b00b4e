#!/usr/bin/env bash
# Soak: one corvane under Xvfb against the simulator, with each of the
# simulator's faults switched on in turn for a while, then a healthy
# simulator again. Samples corvane's CPU, resident memory and thread count
# every second, and checks from the simulator's byte log that the screen
# keeps being asked for after every fault (the mirror recovered).
#
# Usage: bench/soak.sh [build-dir] [seconds-per-fault]   (default: build 60)
# Not part of the test run: it takes minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-60}
cmake --build "$build" --target corvane mirelon-sim >/dev/null
export BUILD="$build" SECONDS_WANTED="$seconds"

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
tick=$(getconf CLK_TCK)
work=$(mktemp -d)
port=6
printf "COM Port=%s\r\n" $port >"$work/config.dpm"
sim=
start_sim() {  # log-file, simulator options...
  local log=$1; shift
  "$BUILD/sim/mirelon-sim" --port $port --dir "$work" --log "$log" "$@" >>"$work/sim.out" 2>&1 &
  sim=$!
  for _ in $(seq 100); do [ -e "$work/com$port" ] && return 0; sleep 0.05; done
  echo "mirelon-sim did not start" >&2; exit 1
}
stop_sim() { kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true; }
# Screen requests the simulator heard since `from` seconds into its log.
requests_since() { awk -v from="$2" "\$1 >= from && \$2 == 62 {n++} END {print n+0}" "$1"; }

start_sim "$work/warmup.log"
(cd "$work" && QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") >"$work/corvane.out" 2>&1 &
pid=$!
sleep 3
stop_sim

printf "%-22s %9s %9s %8s %8s %12s %8s %s\n" fault requests last-5s cpu-avg cpu-max "rss MB" threads recovered
run_phase() {  # label, simulator options...
  local label=$1; shift
  local log="$work/$(echo "$label" | tr -c "a-z0-9\n" -)".log
  start_sim "$log" "$@"
  local c_prev t_prev c t max=0 sum=0 n=0 rss0 rss1 threads
  rss0=$(awk "/^VmRSS/ {print \$2}" /proc/$pid/status)
  c_prev=$(awk "{print \$14 + \$15}" /proc/$pid/stat); t_prev=$(date +%s.%N)
  for _ in $(seq "$SECONDS_WANTED"); do
    sleep 1
    c=$(awk "{print \$14 + \$15}" /proc/$pid/stat); t=$(date +%s.%N)
    local pct; pct=$(awk -v c=$((c - c_prev)) -v t0=$t_prev -v t1=$t -v hz=$tick "BEGIN {printf \"%.1f\", 100 * c / hz / (t1 - t0)}")
    sum=$(awk -v a=$sum -v b=$pct "BEGIN {print a + b}"); n=$((n + 1))
    max=$(awk -v a=$max -v b=$pct "BEGIN {print (b > a) ? b : a}")
    c_prev=$c; t_prev=$t
  done
  rss1=$(awk "/^VmRSS/ {print \$2}" /proc/$pid/status)
  threads=$(awk "/^Threads/ {print \$2}" /proc/$pid/status)
  local total last
  total=$(requests_since "$log" 0)
  last=$(requests_since "$log" $((SECONDS_WANTED - 5)))
  stop_sim
  # After the fault: a healthy simulator on the same port must be mirrored
  # again within ten seconds (reconnect after a hang-up, re-request after
  # silence).
  local after="$work/after.log" recovered=no
  start_sim "$after"
  for _ in $(seq 20); do
    sleep 0.5
    [ "$(requests_since "$after" 0)" -ge 3 ] && { recovered=yes; break; }
  done
  stop_sim
  rm -f "$after"
  printf "%-22s %9s %9s %7s%% %7s%% %5.1f->%5.1f %8s %s\n" "$label" "$total" "$last" \
    "$(awk -v s=$sum -v n=$n "BEGIN {printf \"%.1f\", s / n}")" "$max" \
    "$(awk -v k=$rss0 "BEGIN {print k / 1024}")" "$(awk -v k=$rss1 "BEGIN {print k / 1024}")" \
    "$threads" "$recovered"
}
run_phase "none"
run_phase "garbage 200" --garbage 200
run_phase "dropped } every 5" --drop-close-every 5
run_phase "[ in image every 7" --bracket-in-image 7
run_phase "stall after 50" --stall-after 50
run_phase "hang-up after 100" --hangup-after 100
kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true
rm -rf "$work"
'
