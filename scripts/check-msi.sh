#!/usr/bin/env bash
# Checks Corvane's Windows installer (scripts/pack-windows.sh builds it):
#   - its tables, read with msiinfo: the programs and notes under
#     Program Files\Corvane, the Start menu shortcut working in
#     Documents\Corvane, which the installer creates, the product's version,
#     publisher and icon for Apps & Features, and the fixed UpgradeCode with
#     the removal of an older or equal version;
#   - under wine64, in a Wine prefix of its own: an install with /qn puts the
#     programs and the shortcut in place and creates the working folder;
#     the installed corvane.exe, started in that folder as the shortcut
#     starts it, writes config.dpm there; a newer version replaces the
#     installed one (one entry in Apps & Features), an older one is refused;
#     the uninstall removes programs and shortcut and leaves config.dpm and
#     a backup where they were.
# corvane.exe opens a window: run this on an X server (xvfb-run -a).
# Usage: scripts/check-msi.sh <corvane-VERSION-x64.msi> <version> <wine-prefix-dir>
#        (the prefix is made when missing; scripts/test-windows.sh keeps it
#        in its build folder)
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: scripts/check-msi.sh <msi> <version> <wine-prefix-dir>" >&2; exit 2; }
msi=$(realpath "$1")
version=$2
mkdir -p "$3"
export WINEPREFIX=$(cd "$3" && pwd)
# winemenubuilder would copy the Start menu entry and its icon into the
# Linux user's own menus (~/.local/share/applications), and leave them there.
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
upgrade_code='{26B3E6DB-6A4E-45A6-B498-BAFEE898C883}'

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "  $*"; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/corvane-msi.XXXXXX")
corvane_pid=
cleanup() {
  if [ -n "$corvane_pid" ]; then kill -KILL "$corvane_pid" 2>/dev/null || true; fi
  # Every Wine process of this prefix ends with its server.
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# One table as tab-separated rows, without msiinfo's three header lines.
table() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }
# The value of a row's column, found by the first column.
cell() { awk -F'\t' -v key="$3" -v col="$4" '$1 == key { print $col }' <(table "$1" "$2"); }

echo "== Tables (msiinfo)"
for file in corvane.exe corvane-cli.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  component=$(awk -F'\t' -v name="$file" '$3 == name || $3 ~ ("\\|" name "$") { print $2 }' <(table "$msi" File))
  directory=$(cell "$msi" Component "$component" 3)
  if [ -z "$component" ]; then
    fail "no $file in the File table"
  elif [ "$directory" != INSTALLDIR ]; then
    fail "$file goes to '$directory', not INSTALLDIR"
  fi
done
[ "$(cell "$msi" Directory INSTALLDIR 2)" = ProgramFiles64Folder ] &&
  [ "$(cell "$msi" Directory INSTALLDIR 3)" = Corvane ] &&
  ok "programs and notes: Program Files\\Corvane" || fail "INSTALLDIR is not ProgramFiles64Folder\\Corvane"

shortcut=$(awk -F'\t' '$2 == "ProgramMenuFolder"' <(table "$msi" Shortcut))
workdir=$(cut -f12 <<<"$shortcut")
if [ "$(wc -l <<<"$shortcut")" -ne 1 ] || [ "$(cut -f5 <<<"$shortcut")" != "[#corvane.exe]" ]; then
  fail "no single Start menu shortcut to corvane.exe: '$shortcut'"
elif [ "$(cell "$msi" Directory "$workdir" 2)" != PersonalFolder ] ||
     [ "$(cell "$msi" Directory "$workdir" 3)" != Corvane ]; then
  fail "the shortcut's working folder '$workdir' is not Documents\\Corvane"
elif ! grep -q "^$workdir	" <(table "$msi" CreateFolder); then
  fail "the installer does not create the working folder $workdir"
else
  ok "Start menu shortcut to corvane.exe, working in Documents\\Corvane (created)"
fi

property() { cell "$msi" Property "$1" 2; }
[ "$(property ProductVersion)" = "$version" ] || fail "ProductVersion is '$(property ProductVersion)', not $version"
[ "$(property Manufacturer)" = "The Corvane authors" ] || fail "Manufacturer is '$(property Manufacturer)'"
[ "$(property UpgradeCode)" = "$upgrade_code" ] || fail "UpgradeCode is '$(property UpgradeCode)'"
[ "$(property ALLUSERS)" = 1 ] || fail "not a per-machine install (ALLUSERS '$(property ALLUSERS)')"
icon=$(property ARPPRODUCTICON)
if [ -n "$icon" ] && msiinfo streams "$msi" | grep -qxF "Icon.$icon"; then
  ok "version $version, publisher The Corvane authors, icon $icon"
else
  fail "ARPPRODUCTICON '$icon' names no icon of the package"
fi
# The removal must reach this very version: a rebuilt package of it
# replaces the installed one instead of standing beside it.
if awk -F'\t' -v code="$upgrade_code" -v v="$version" '
     $1 == code && $7 == "WIX_UPGRADE_DETECTED" && int($5 / 2) % 2 == 0 {
       if ($3 == v && int($5 / 512) % 2 == 1) found = 1
       split(v, a, "."); split($3, b, ".")
       for (i = 1; i <= 3; i++) { if (a[i] + 0 < b[i] + 0) { found = 1; break } if (a[i] + 0 > b[i] + 0) break }
     }
     END { exit !found }' <(table "$msi" Upgrade) &&
   grep -q '^RemoveExistingProducts	' <(table "$msi" InstallExecuteSequence); then
  ok "UpgradeCode $upgrade_code removes every version up to $version"
else
  fail "no removal of versions up to $version in the Upgrade table"
fi

echo "== Under Wine"
# DisplayName of every product in Apps & Features named Corvane, one a line.
arp_entries() {
  "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null </dev/null |
    tr -d '\r' | awk '/^HKEY/ { key = $0 } /DisplayName/ && /REG_SZ[ \t]+Corvane$/ { print key }'
}
arp_value() {
  "$wine" reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" /v "$2" 2>/dev/null </dev/null |
    tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
windows_path() { "$wine" winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r'; }
# A product left by a run that failed half way starts the prefix afresh.
if [ -f "$WINEPREFIX/system.reg" ] && [ -n "$(arp_entries)" ]; then
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 </dev/null
fi
# Wine links Documents to the Linux home folder; the test installs into a
# Documents of the prefix instead.
documents="$WINEPREFIX/drive_c/users/$(id -un)/Documents"
if [ -L "$documents" ]; then rm "$documents"; fi
mkdir -p "$documents"
rm -rf "$documents/Corvane"
log=$(windows_path "$scratch/msiexec.log")
msiexec() { "$wine" msiexec "$@" /qn /l*v "$log" </dev/null >/dev/null 2>&1; }

program_files="$WINEPREFIX/drive_c/Program Files/Corvane"
if ! msiexec /i "$(windows_path "$msi")"; then
  cat "$scratch/msiexec.log" >&2 2>/dev/null || true
  fail "msiexec /i failed"
  exit 1
fi
for file in corvane.exe corvane-cli.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
  [ -f "$program_files/$file" ] || fail "not installed: Program Files\\Corvane\\$file"
done
# Windows puts a per-machine shortcut in the Start menu of all users; Wine
# puts it in the installing user's.
link=
for start_menu in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
                  "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"; do
  if [ -f "$start_menu/Corvane.lnk" ]; then link="$start_menu/Corvane.lnk"; fi
done
[ -n "$link" ] && ok "installed: Program Files\\Corvane and the Start menu shortcut" || fail "no Start menu shortcut"
work_windows=$("$wine" reg query 'HKCU\Software\Corvane\Installer' /v WorkingFolder 2>/dev/null </dev/null |
               tr -d '\r' | sed -n 's/^ *WorkingFolder *REG_SZ *//p')
work=$("$wine" winepath -u "$work_windows" 2>/dev/null </dev/null | tr -d '\r')
if [ -z "$work_windows" ] || [ ! -d "$work" ] || [ "$(realpath "$work")" != "$(realpath "$documents/Corvane")" ]; then
  fail "the working folder '$work_windows' was not made in Documents"
  exit 1
fi
# The link holds its working folder as UTF-16 text.
if [ -n "$link" ] && strings -el "$link" | grep -qiF "$work_windows"; then
  ok "the shortcut works in $work_windows"
else
  fail "the shortcut does not work in $work_windows"
fi
product=$(property ProductCode)
[ "$(arp_value "$product" Publisher)" = "The Corvane authors" ] &&
  [ "$(arp_value "$product" DisplayVersion)" = "$version" ] &&
  [ -f "$WINEPREFIX/drive_c/windows/Installer/$product/$icon" ] &&
  ok "Apps & Features: Corvane $version, The Corvane authors, with its icon" ||
  fail "Apps & Features lacks the publisher, version or icon of $product"

# As the shortcut starts it: in the working folder, which has no config.dpm
# yet. corvane.exe writes it (COM3) once it has started.
(cd "$work" && exec "$wine" "C:\\Program Files\\Corvane\\corvane.exe" >"$scratch/corvane.out" 2>&1 </dev/null) &
corvane_pid=$!
for _ in $(seq 300); do
  [ -s "$work/config.dpm" ] && break
  kill -0 "$corvane_pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$(cat "$work/config.dpm" 2>/dev/null)" = $'COM Port=3\r' ]; then
  ok "the installed corvane.exe wrote config.dpm in the working folder"
else
  fail "the installed corvane.exe wrote no config.dpm in $work_windows"
  cat "$scratch/corvane.out" >&2
fi
kill -TERM "$corvane_pid" 2>/dev/null || true
wait "$corvane_pid" 2>/dev/null || true
corvane_pid=
printf 'a backup\r\n' >"$work/Mirelon Parameters.spb"

# The same package as a newer version: another product of the same
# UpgradeCode.
newer="$scratch/corvane-newer.msi"
newer_product="{$(cat /proc/sys/kernel/random/uuid | tr a-f A-F)}"
cp "$msi" "$newer"
msibuild "$newer" -q "UPDATE Property SET Value = '99.0.0' WHERE Property = 'ProductVersion'" \
                  -q "UPDATE Property SET Value = '$newer_product' WHERE Property = 'ProductCode'"
msibuild "$newer" -s Corvane "The Corvane authors" "x64;1033" "{$(cat /proc/sys/kernel/random/uuid | tr a-f A-F)}"
if ! msiexec /i "$(windows_path "$newer")"; then
  fail "a newer version does not install over $version"
fi
entries=$(arp_entries)
if [ "$(grep -c . <<<"$entries")" -eq 1 ] && grep -qF "$newer_product" <<<"$entries"; then
  ok "a newer version replaced $version: one Corvane in Apps & Features"
else
  fail "after installing a newer version, Apps & Features holds: ${entries:-nothing}"
fi
if msiexec /i "$(windows_path "$msi")"; then
  fail "$version installed over a newer version"
elif [ "$(arp_entries)" != "$entries" ]; then
  fail "the refused install of $version over a newer version changed Apps & Features"
else
  ok "$version is refused over the newer version"
fi

if ! msiexec /x "$newer_product"; then fail "msiexec /x failed"; fi
[ ! -e "$program_files/corvane.exe" ] && [ ! -e "$program_files/corvane-cli.exe" ] && [ ! -e "${link:-/}" ] &&
  [ -z "$(arp_entries)" ] && ok "uninstalled: programs, shortcut and Apps & Features entry gone" ||
  fail "the uninstall left programs, the shortcut or the Apps & Features entry"
[ "$(cat "$work/config.dpm" 2>/dev/null)" = $'COM Port=3\r' ] &&
  [ -f "$work/Mirelon Parameters.spb" ] && ok "kept: config.dpm and the backup in $work_windows" ||
  fail "the uninstall removed config.dpm or the backup"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed for $msi" >&2
  exit 1
fi
echo "Installer: $msi"
