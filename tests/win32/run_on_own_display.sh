#!/bin/sh
# Runs a Windows test program that opens windows under Wine on an X server
# of its own (xvfb-run), in a Wine session of its own: the registry of the
# build's prefix copied, its drive shared. A desktop that an earlier Wine
# program left on a display that is gone would refuse every window.
# Usage: run_on_own_display.sh <xvfb-run> <wine64> <wineserver> <program> [args...]
set -eu
xvfb_run=$1 wine=$2 wineserver=$3
shift 3
shared=${WINEPREFIX:-$HOME/.wine}
session=$(mktemp -d)
trap 'WINEPREFIX="$session" "$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$session"' EXIT
cp "$shared"/*.reg "$session"/
ln -s "$(cd "$shared" && pwd)/drive_c" "$session/drive_c"
cp -a "$shared/dosdevices" "$session/dosdevices"
WINEPREFIX="$session" "$xvfb_run" -a "$wine" "$@"
