#!/usr/bin/env bash
# Wall time of one fleet backup against one controller's, in one run:
# 16 simulators at --baud 115200 behind one ser2net (one RFC 2217 accepter
# each, on 127.0.0.1), `corvane-cli backup --all` over all of them, and a
# backup of one of them alone through the same server, alternated.
# The goal: the fleet within 1.3 times the single backup, that is, the
# controllers really are worked on at once. Never run by ctest.
#
# Usage: bench/fleet_backup.sh [build-dir] [rounds] [controllers]
# Build corvane-cli and mirelon-sim first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
rounds=${2:-3}
count=${3:-16}
cli=$build/src/cli/corvane-cli
sim=$build/sim/mirelon-sim
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
for program in "$cli" "$sim" "$ser2net"; do
  [ -x "$program" ] || { echo "fleet_backup.sh: $program is missing" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Loopback ports the system hands out (free again once handed out).
free_ports() {
  python3 -c 'import socket, sys
socks = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in socks: s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in socks))' "$1"
}

# Fresh simulators and a fresh ser2net for each measurement: a controller
# goes on sending the image a closed link asked for, and behind ser2net,
# which reads the line only while a client is connected, the rest of it
# waits for the next client, so leftovers would make the times depend on
# the run before.
start_fleet() {
  local i port
  read -r -a ports <<<"$(free_ports "$count")"
  printf '%s\n' '%YAML 1.1' '---' >"$work/ser2net.yaml"
  : >"$work/controllers.txt"
  pids=()
  for i in $(seq "$count"); do
    "$sim" --dir "$work" --port "$i" --baud 115200 >"$work/sim$i.out" 2>&1 &
    pids+=($!)
  done
  for i in $(seq "$count"); do
    for _ in $(seq 200); do grep -q "linked as" "$work/sim$i.out" 2>/dev/null && break; sleep 0.05; done
    grep -q "linked as" "$work/sim$i.out" ||
      { echo "fleet_backup.sh: mirelon-sim $i did not start" >&2; exit 1; }
    port=${ports[$((i - 1))]}
    cat >>"$work/ser2net.yaml" <<YAML
connection: &sim$i
  accepter: telnet(rfc2217),tcp,127.0.0.1,$port
  connector: serialdev,$(realpath "$work/com$i"),local
  options:
    chardelay: false
YAML
    printf "sim%02d  rfc2217://127.0.0.1:%s\n" "$i" "$port" >>"$work/controllers.txt"
  done
  "$ser2net" -n -d -c "$work/ser2net.yaml" >"$work/ser2net.log" 2>&1 &
  pids+=($!)
  for port in "${ports[@]}"; do
    for _ in $(seq 200); do
      ss -Hltn "sport = :$port" | grep -q LISTEN && break
      sleep 0.05
    done
    ss -Hltn "sport = :$port" | grep -q LISTEN ||
      { echo "fleet_backup.sh: ser2net does not listen on $port (see $work/ser2net.log)" >&2; exit 1; }
  done
}
stop_fleet() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}

echo "$count simulators at 115200 baud behind one ser2net process," \
     "$count RFC 2217 accepters on 127.0.0.1"
ms() { echo $((($(date +%s%N) - $1) / 1000000)); }
# CPU time of the simulators and ser2net so far, in clock ticks.
helpers_cpu() {
  local t=0 p
  for p in "${pids[@]}"; do t=$((t + $(awk '{print $14 + $15}' "/proc/$p/stat"))); done
  echo "$t"
}
tick=$(getconf CLK_TCK)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
mkdir -p "$work/backups"
single=()
fleet=()
for round in $(seq "$rounds"); do
  start_fleet
  first_url=$(awk 'NR == 1 { print $2 }' "$work/controllers.txt")
  start=$(date +%s%N)
  (cd "$work" && "$cli" backup --device "$first_url" -o one.spb --quiet)
  single+=("$(ms "$start")")
  stop_fleet
  start_fleet
  rm -f "$work"/backups/*
  before=$(helpers_cpu)
  start=$(date +%s%N)
  (cd "$work" && "$cli" backup --all -o "backups/{name}.spb" >"$work/table.txt")
  fleet+=("$(ms "$start")")
  helpers_ms=$((($(helpers_cpu) - before) * 1000 / tick))
  stop_fleet
  files=$(find "$work/backups" -name '*.spb' | wc -l)
  differing=$(for f in "$work"/backups/*.spb; do cmp -s "$f" "$work/one.spb" || echo "$f"; done | wc -l)
  if [ "$files" != "$count" ] || [ "$differing" != 0 ]; then
    echo "fleet_backup.sh: round $round: $files files, $differing differ from the single backup" >&2
    cat "$work/table.txt" >&2
    exit 1
  fi
  # The controllers' own times added up, against the wall time: how many
  # were worked on at once, on average.
  busy=$(awk 'NR > 1 { s += $4 } END { printf "%.1f", s }' "$work/table.txt")
  echo "round $round: one controller ${single[-1]} ms, $count controllers ${fleet[-1]} ms" \
       "(their times add up to $busy s; simulators and ser2net used $helpers_ms ms of CPU)"
done
median() { printf "%s\n" "$@" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
one=$(median "${single[@]}")
all=$(median "${fleet[@]}")
echo "last fleet run's table:"
cat "$work/table.txt"
echo "backup file: $(stat -c %s "$work/one.spb") bytes, identical from every controller"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v one="$one" -v all="$all" -v n="$count" 'BEGIN {
  printf "median of %s: one controller %d ms, %d controllers %d ms, ratio %.2f (goal <= 1.30)\n",
         "'"$rounds"' rounds", one, n, all, all / one }'
