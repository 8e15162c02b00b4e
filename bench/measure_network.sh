#!/usr/bin/env bash
# The running corvane on a serial device server beside the same program on
# the simulator's pseudo-terminal, in one run under Xvfb: four rows, the
# pty and Debian's ser2net (RFC 2217 accepter on 127.0.0.1 in front of
# that pty), each against the unpaced simulator and at --baud 115200.
# Each row: images a second (the simulator's count: every image is
# answered by the next request), corvane's CPU and its CPU per image, and
# for the ser2net rows ser2net's own CPU per image. A fifth row is ser2net
# set up for speed: by default it holds an image's last piece back until
# corvane acknowledges the one before (a delayed acknowledgement, about
# 40 ms an image), and hands the image on 64 bytes at a time;
# tcp(nodelay) and dev-to-net-bufsize: 4096 change both.
#
# The address reaches corvane as Config > Network Port... leaves it: in the
# settings store (a scratch XDG_CONFIG_HOME per row), config.dpm untouched.
#
# Usage: bench/measure_network.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-20}
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
[ -x "$ser2net" ] || { echo "measure_network.sh: ser2net is missing (scripts/install-deps.sh)" >&2; exit 1; }
cmake --build "$build" --target corvane mirelon-sim >/dev/null

export BUILD="$build" SECONDS_WANTED="$seconds" SER2NET="$ser2net"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
tick=$(getconf CLK_TCK)
cpu_ticks() { awk "{print \$14 + \$15}" "/proc/$1/stat"; }
free_port() { python3 -c "import socket; s=socket.socket(); s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])"; }

measure() {  # label, pty|ser2net|ser2net-tuned, extra simulator options...
  local label=$1 via=$2; shift 2
  local work; work=$(mktemp -d)
  printf "COM Port=8\r\n" >"$work/config.dpm"
  mkdir -p "$work/config/Corvane"
  "$BUILD/sim/mirelon-sim" --port 8 --dir "$work" --log "$work/sim.log" "$@" >"$work/sim.out" 2>&1 &
  local sim=$! server=""
  for _ in $(seq 100); do [ -e "$work/com8" ] && break; sleep 0.05; done
  if [ "$via" != pty ]; then
    local port tcp=tcp buffer=""; port=$(free_port)
    [ "$via" = ser2net-tuned ] && { tcp="tcp(nodelay)"; buffer="    dev-to-net-bufsize: 4096\n"; }
    printf "%%YAML 1.1\n---\nconnection: &bench\n  accepter: telnet(rfc2217),%s,127.0.0.1,%s\n  connector: serialdev,%s,local\n  options:\n    chardelay: false\n$buffer" \
      "$tcp" "$port" "$(readlink -f "$work/com8")" >"$work/ser2net.yaml"
    "$SER2NET" -n -d -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
    server=$!
    for _ in $(seq 100); do ss -ltn | grep -q "127.0.0.1:$port " && break; sleep 0.05; done
    printf "[General]\nNetworkPort=rfc2217://127.0.0.1:%s\n" "$port" >"$work/config/Corvane/Corvane.conf"
  fi
  (cd "$work" && XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb exec "$BUILD/src/qt/corvane") \
    >"$work/corvane.out" 2>&1 &
  local pid=$!
  sleep 2
  requests() { awk "\$3 == \"<\"" "$work/sim.log" | wc -l; }
  local t0 c0 s0=0 r0 t1 c1 s1=0 r1
  r0=$(requests); t0=$(date +%s.%N); c0=$(cpu_ticks $pid)
  [ -n "$server" ] && s0=$(cpu_ticks $server)
  sleep "$SECONDS_WANTED"
  t1=$(date +%s.%N); c1=$(cpu_ticks $pid); r1=$(requests)
  [ -n "$server" ] && s1=$(cpu_ticks $server)
  awk -v c="$((c1 - c0))" -v s="$((s1 - s0))" -v r="$((r1 - r0))" -v t0="$t0" -v t1="$t1" \
      -v hz="$tick" -v l="$label" -v via="$via" \
    "BEGIN { printf \"%-34s %6.1f images/s, corvane CPU %5.1f%%\", l, r / (t1 - t0), 100 * c / hz / (t1 - t0);
             if (r > 0) printf \", per image %.3f ms CPU\", 1000 * c / hz / r;
             if (via != \"pty\" && r > 0) printf \" (ser2net %.3f ms)\", 1000 * s / hz / r;
             printf \"\\n\" }"
  kill $pid; wait $pid 2>/dev/null || true
  [ -n "$server" ] && { kill $server; wait $server 2>/dev/null || true; }
  kill $sim; wait $sim 2>/dev/null || true
  rm -rf "$work"
}
echo "== corvane on the pty and through ser2net (RFC 2217, 127.0.0.1), ${SECONDS_WANTED} s each =="
measure "pty, unpaced" pty
measure "pty, 115200 baud" pty --baud 115200
measure "ser2net, unpaced" ser2net
measure "ser2net, 115200 baud" ser2net --baud 115200
measure "ser2net nodelay+4096, unpaced" ser2net-tuned
'
