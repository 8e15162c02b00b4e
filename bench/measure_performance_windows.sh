#!/usr/bin/env bash
# corvane.exe under wine64 beside the Linux corvane, in the same run and the
# same way: each against the unpaced simulator under Xvfb, images a second
# (the simulator's count: every image is answered by the next request),
# CPU of the program's process (and, under Wine, of the wineserver it
# talks to) while it mirrors and while the link is open but quiet (the
# simulator stalls after one image), and while it mirrors, that CPU per
# image.
#
# Usage: bench/measure_performance_windows.sh corvane.exe linux-build-dir [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
export EXE=$(realpath "$1") BUILD=$(realpath "$2") SECONDS_WANTED=${3:-10}
cmake --build "$BUILD" --target corvane mirelon-sim >/dev/null
export PREFIX=$(mktemp -d)/prefix
trap 'WINEPREFIX=$PREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$(dirname "$PREFIX")"' EXIT

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
export WINEPREFIX=$PREFIX WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wine64 reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
tick=$(getconf CLK_TCK)
cpu_ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
server_pid() {  # the wineserver of this prefix
  for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
    tr "\\0" "\\n" <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo $p; return; }
  done
}

measure() {  # label, wine|linux, extra simulator options...
  local label=$1 kind=$2; shift 2
  local work; work=$(mktemp -d)
  local links=$work
  [ "$kind" = wine ] && links=$WINEPREFIX/dosdevices
  printf "COM Port=8\r\n" >"$work/config.dpm"
  "$BUILD/sim/mirelon-sim" --port 8 --dir "$links" --log "$work/sim.log" "$@" >"$work/sim.out" 2>&1 &
  local sim=$!
  for _ in $(seq 100); do [ -e "$links/com8" ] && break; sleep 0.05; done
  if [ "$kind" = wine ]; then
    (cd "$work" && exec /usr/lib/wine/wine64 "$EXE") >"$work/corvane.out" 2>&1 &
  else
    (cd "$work" && QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") >"$work/corvane.out" 2>&1 &
  fi
  local pid=$!
  sleep 3
  if ! kill -0 $pid 2>/dev/null; then
    echo "$label, $kind: the program ended early:" >&2; cat "$work/corvane.out" "$work/sim.out" >&2; return 1
  fi
  local server=""; [ "$kind" = wine ] && server=$(server_pid)
  local t0 c0 s0=0 r0 t1 c1 s1=0 r1
  r0=$(awk "\$3 == \"<\"" "$work/sim.log" | wc -l)
  t0=$(date +%s.%N); c0=$(cpu_ticks $pid); [ -n "$server" ] && s0=$(cpu_ticks $server)
  sleep "$SECONDS_WANTED"
  t1=$(date +%s.%N); c1=$(cpu_ticks $pid); [ -n "$server" ] && s1=$(cpu_ticks $server)
  r1=$(awk "\$3 == \"<\"" "$work/sim.log" | wc -l)
  awk -v c="$((c1 - c0))" -v s="$((s1 - s0))" -v r="$((r1 - r0))" -v t0="$t0" -v t1="$t1" \
      -v hz="$tick" -v l="$label" -v k="$kind" \
    "BEGIN { printf \"%s, %s: %.1f images/s, program CPU %.1f%% of one core\", l, k, r / (t1 - t0), 100 * c / hz / (t1 - t0);
             if (k == \"wine\") printf \", wineserver %.1f%%\", 100 * s / hz / (t1 - t0);
             if (r > 100) { printf \"; per image %.3f ms program CPU\", 1000 * c / hz / r;
                            if (k == \"wine\") printf \", %.3f ms wineserver\", 1000 * s / hz / r }
             printf \"\\n\" }"
  kill $pid; wait $pid 2>/dev/null || true
  kill $sim; wait $sim 2>/dev/null || true
  rm -rf "$work"
}
for kind in linux wine; do
  measure "mirroring (unpaced simulator)" $kind
  measure "idle, link open (simulator stalled)" $kind --stall-after 1
done
'
