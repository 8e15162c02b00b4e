#!/usr/bin/env bash
# Builds the Debian package of Corvane on a Debian 12 machine and checks it:
# installs what is missing (dpkg-dev for dpkg-shlibdeps), builds the build
# directory, runs `cpack -G DEB` there, then looks at the package as an
# operator's machine would get it:
#   - its files: the programs with their manual pages, the desktop entry,
#     the icons, the copyright notice and the changelog, and no simulator;
#   - its Depends, as dpkg-shlibdeps wrote them (Qt 6, the C++ runtime),
#     and that apt could install it here;
#   - the programs as unpacked with `dpkg-deb -x`: every library they need
#     resolves, corvane-cli (when built) answers --help, and corvane starts
#     against mirelon-sim (offscreen) and ends cleanly on SIGTERM;
#   - lintian, Debian's package checker: any error or warning fails.
# Usage: scripts/package-deb.sh [build-dir]   (default: build)
# Leaves <build-dir>/corvane_<version>_amd64.deb and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/install-deps.sh package

# The cache keeps whatever the directory was configured with before.
cmake --preset dev -B "$build" >/dev/null
cmake --build "$build"
rm -f "$build"/corvane_*.deb
if ! (cd "$build" && cpack -G DEB >cpack.log 2>&1); then
  cat "$build/cpack.log" >&2
  exit 1
fi
debs=("$build"/corvane_*_amd64.deb)
[ -f "${debs[0]}" ] && [ ${#debs[@]} -eq 1 ] || { echo "cpack made no single corvane .deb" >&2; exit 1; }
deb=$(realpath "${debs[0]}")

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

echo "== Files"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
expected=(./usr/bin/corvane
          ./usr/share/man/man1/corvane.1.gz
          ./usr/share/doc/corvane/copyright
          ./usr/share/doc/corvane/changelog.gz
          ./usr/share/applications/corvane.desktop
          ./usr/share/icons/hicolor/64x64/apps/corvane.png
          ./usr/share/icons/hicolor/scalable/apps/corvane.svg)
# corvane-cli is in the package whenever the build has it.
if cmake --build "$build" --target help | grep -q 'corvane-cli'; then
  expected+=(./usr/bin/corvane-cli ./usr/share/man/man1/corvane-cli.1.gz)
fi
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" && echo "  $path" || fail "missing $path"
done
if grep -q 'mirelon-sim' <<<"$contents"; then fail "the simulator is in the package"; fi

echo "== Control"
dpkg-deb --field "$deb" Package Version Architecture Section Maintainer Depends
# One package name a line, without its version.
depends=$(dpkg-deb --field "$deb" Depends | tr ',' '\n' | awk '{print $1}')
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -qxF "$lib" <<<"$depends" || fail "Depends names no $lib"
done
[ "$(dpkg-deb --field "$deb" Architecture)" = amd64 ] || fail "architecture is not amd64"
apt-get install --simulate "$deb" >/dev/null || fail "apt cannot install the package here"

echo "== Unpacked"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-deb.XXXXXX")
sim_pid=
corvane_pid=
cleanup() {
  for pid in $corvane_pid $sim_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$scratch/root"
for program in "$scratch"/root/usr/bin/*; do
  if ldd "$program" | grep -q 'not found'; then
    fail "$(basename "$program") needs a library that is not found:"
    ldd "$program" | grep 'not found' >&2
  else
    echo "  $(basename "$program"): every library found"
  fi
done

if [ -x "$scratch/root/usr/bin/corvane-cli" ]; then
  if help=$("$scratch/root/usr/bin/corvane-cli" --help 2>&1) && [ -n "$help" ]; then
    echo "  corvane-cli --help: $(head -n 1 <<<"$help")"
  else
    fail "corvane-cli --help failed: $help"
  fi
fi

# corvane gets a port that opens (the simulator's), so no message box
# holds it open; SIGTERM must then close it like the operator would.
work="$scratch/work"
mkdir -p "$work" "$scratch/runtime"
chmod 700 "$scratch/runtime"
"$build/sim/mirelon-sim" --port 3 --dir "$work" >"$scratch/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -e "$work/com3" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.05
done
[ -e "$work/com3" ] || { cat "$scratch/sim.out" >&2; fail "mirelon-sim did not start"; }
(cd "$work" && exec env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
   "$scratch/root/usr/bin/corvane" >"$scratch/corvane.out" 2>&1) &
corvane_pid=$!
# config.dpm is written once the program has started.
for _ in $(seq 100); do
  [ -e "$work/config.dpm" ] && break
  kill -0 "$corvane_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$work/config.dpm" ]; then
  fail "corvane did not start:"
  cat "$scratch/corvane.out" >&2
else
  kill -TERM "$corvane_pid"
  for _ in $(seq 100); do
    kill -0 "$corvane_pid" 2>/dev/null || break
    sleep 0.1
  done
  # Still there 10 seconds after SIGTERM: it would hang a logout too.
  if kill -0 "$corvane_pid" 2>/dev/null; then
    fail "corvane did not end on SIGTERM"
    kill -KILL "$corvane_pid"
  fi
  status=0
  wait "$corvane_pid" || status=$?
  corvane_pid=
  if [ "$status" -eq 0 ]; then
    echo "  corvane: started on the simulator's port, ended on SIGTERM"
  else
    fail "corvane ended with status $status:"
    cat "$scratch/corvane.out" >&2
  fi
fi

echo "== Changelog"
# The newest entry names the version being packaged: one is added for every
# version set in CMakeLists.txt.
package_version=$(dpkg-deb --field "$deb" Version)
changelog_version=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/corvane/changelog.gz |
                    gzip -dc | sed -n '1s/^corvane (\([^)]*\)).*/\1/p')
if [ "$changelog_version" = "$package_version" ]; then
  echo "  newest entry: $changelog_version"
else
  fail "the newest changelog entry is '$changelog_version', the package $package_version (packaging/debian/changelog.in)"
fi

echo "== lintian"
# No tag is left out. Its notes ("I:") on the build's hardening flags and
# .comment sections are shown, not failed on. Running as root (CI) makes it
# warn about that on its standard error, which says nothing of the package.
if lintian --fail-on error,warning --display-info "$deb" 2>"$scratch/lintian.err"; then
  echo "  no error, no warning"
else
  cat "$scratch/lintian.err" >&2
  fail "lintian found errors or warnings in the package"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed for $deb" >&2
  exit 1
fi
echo "Package: $deb"
