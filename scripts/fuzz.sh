#!/usr/bin/env bash
# The libFuzzer targets of tests/fuzz on a Debian 12 machine: installs clang
# and libFuzzer when they are missing, configures a clang build with
# AddressSanitizer and UndefinedBehaviorSanitizer, builds every target and
# runs each in turn, one process at a time (the machine may be busy
# building), starting from its seed inputs in
# tests/fuzz/corpus/<target>.
#
# Usage: scripts/fuzz.sh [SECONDS | -runs=N]
#   (none)     -runs=20000 per target: a quick pass for CI
#   SECONDS    that long per target, for a local run
#   -runs=N    N inputs per target
# Environment:
#   CORVANE_FUZZ_BUILD    the build directory (default: build-fuzz)
#   CORVANE_FUZZ_TARGETS  the targets to run (default: all of them)
#
# The inputs a run finds are kept in <build>/corpus/<target>, so a later run
# goes on from there; an input that breaks a property or crashes is saved in
# <build>/artifacts/<target>/ and the script ends with status 1 once every
# target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${CORVANE_FUZZ_BUILD:-build-fuzz}
all_targets="decoder demux retarget config text_file restore sim_engine recording telnet"
targets=${CORVANE_FUZZ_TARGETS:-$all_targets}

case "${1:-}" in
  "") budget=(-runs=20000) ;;
  -runs=[0-9]*) budget=("$1") ;;
  *[!0-9]*) echo "usage: $0 [SECONDS | -runs=N]" >&2; exit 2 ;;
  *) budget=(-max_total_time="$1") ;;
esac

scripts/install-deps.sh fuzz

# Only the core and the simulator: the targets need neither Qt, GoogleTest
# nor Google Benchmark. A warning is an error here as in every CI build.
# (The preset "fuzz" of CMakePresets.json.)
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target corvane_fuzz_targets -j2

failed=()
for target in $targets; do
  program="$root/$build/tests/fuzz/${target}_fuzz"
  corpus="$root/$build/corpus/$target"
  artifacts="$root/$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  # Every picture costs a frame drawn; long inputs of many tiny images
  # would spend the budget on framing, not on new paths.
  case "$target" in
    decoder) limits=(-max_len=1024) ;;
    demux) limits=(-max_len=512) ;;
    # A real recording's seed is a few kilobytes: room to grow it.
    recording) limits=(-max_len=65536) ;;
    *) limits=() ;;
  esac
  echo "== $target (${budget[*]} ${limits[*]})"
  # New inputs go to the first directory; the committed seeds are only read.
  if ! ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$program" "${budget[@]}" "${limits[@]}" -timeout=30 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$corpus" "$root/tests/fuzz/corpus/$target" \
      >"$root/$build/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 40 "$root/$build/$target.log"
  fi
  # libFuzzer's closing statistics: executions, coverage, features.
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec)' \
    "$root/$build/$target.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "All fuzz targets passed."
