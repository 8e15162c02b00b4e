#!/usr/bin/env bash
# Wall time of corvane-cli backup --all and restore against mirelon-sim,
# unpaced and paced at 115200 baud, beside the line-rate bound: the bytes the
# command puts on the wire divided by 11,520 bytes/s (10 bit times a byte).
# Two bounds are given: the parameter bytes alone, and with the screen images
# the protocol makes each command wait for (a backup's block follows the
# image already asked for; a restore goes out at the end of an image and is
# done when the controller sends the next one). Never run by ctest.
#
# Usage: bench/cli_timing.sh [build-dir] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
runs=${2:-5}
cmake --build "$build" --target corvane-cli mirelon-sim >/dev/null
cli=$build/src/cli/corvane-cli
sim=$build/sim/mirelon-sim
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_sim() {  # simulator options...
  "$sim" --dir "$work" --port 7 "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do grep -q "linked as" "$work/sim.out" 2>/dev/null && return; sleep 0.05; done
  echo "cli_timing.sh: mirelon-sim did not start" >&2
  exit 1
}
stop_sim() {
  kill "$sim_pid"
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}

# Milliseconds one corvane-cli run takes, from start to exit.
time_run() {
  local start end
  start=$(date +%s%N)
  (cd "$work" && "$cli" "$@" --quiet) || { echo "cli_timing.sh: failed: $*" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

# "median min max" of the numbers on standard input.
summary() { sort -n | awk '{v[NR] = $1} END {printf "%d %d %d", v[int((NR + 1) / 2)], v[1], v[NR]}'; }

printf "%-14s %-8s %9s %7s %7s %9s %13s\n" mode command median_ms min_ms max_ms bound_ms bound_img_ms
for mode in unpaced 115200; do
  if [ "$mode" = unpaced ]; then start_sim; else start_sim --baud 115200; fi
  (cd "$work" && "$cli" backup --port 7 --all -o all.spb --quiet)
  # The size of a screen image, from a short traffic log: what was received
  # divided by the images that ended ("}" = 7D; the payload never holds it).
  (cd "$work" && "$cli" log --port 7 --seconds 5 -o wire.log --quiet)
  image_bytes=$(awk '{ sub(/\r$/, "") } $2 == "RX" { for (i = 3; i <= NF; i++) { n++; if ($i == "7D") c++ } }
                     END { printf "%d", n / (c > 0 ? c : 1) }' "$work/wire.log")
  file_bytes=$(stat -c %s "$work/all.spb")
  lines=$(grep -c $'\r$' "$work/all.spb")
  # Backup: "<11>" out; "[", the block (LF, not CR LF, on the wire), "]" in.
  backup_bytes=$((file_bytes - lines + 2))
  # Restore: "<2>", the lines without their line ends, "}", "<1>" out.
  restore_bytes=$((3 + file_bytes - 2 * lines + 1 + 3))
  bound() { if [ "$mode" = unpaced ]; then echo -; else awk -v b="$1" 'BEGIN { printf "%.0f", b / 11520 * 1000 }'; fi; }

  # Each run leaves the controller sending the image its last request asked
  # for; "back to back" runs start while it does, "idle" ones once it is done.
  idle_wait=$(awk -v b="$image_bytes" -v m="$mode" 'BEGIN { print (m == "unpaced" ? 0.2 : b / 11520 + 1) }')
  for start in back-to-back idle; do
    pause=0
    [ "$start" = idle ] && pause=$idle_wait
    backup_ms=$(for _ in $(seq "$runs"); do sleep "$pause"; time_run backup --port 7 --all -o b.spb; done | summary)
    restore_ms=$(for _ in $(seq "$runs"); do sleep "$pause"; time_run restore --port 7 all.spb; done | summary)
    # shellcheck disable=SC2086
    printf "%-14s %-8s %9s %7s %7s %9s %13s\n" "$mode,$start" backup $backup_ms \
      "$(bound "$backup_bytes")" "$(bound $((backup_bytes + image_bytes)))"
    # shellcheck disable=SC2086
    printf "%-14s %-8s %9s %7s %7s %9s %13s\n" "$mode,$start" restore $restore_ms \
      "$(bound "$restore_bytes")" "$(bound $((restore_bytes + 2 * image_bytes)))"
  done
  stop_sim
  echo "$mode: image $image_bytes bytes; parameter file $file_bytes bytes, $lines lines;" \
       "backup block $backup_bytes bytes, restore data $restore_bytes bytes on the wire"
done
echo "bound_ms: the parameter bytes at 11,520 bytes/s; bound_img_ms: with one image before a"
echo "backup's block, and the image a restore waits for and the one after it. A backup also"
echo "pauses 500 ms after its block, as the window does."
