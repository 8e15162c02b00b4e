#!/usr/bin/env bash
# Lists the C++ files of src/, sim/, tests/ and bench/ that clang-format
# (version 14, as on Debian 12) would change under .clang-format, with how
# many of their lines would go and come, and exits 1 if there is any.
# Also refuses an include that climbs out of its folder ("../"): it would
# reach past the include views that keep each layer to the folders below it.
# Changes no file. Installs clang-format with apt-get when it is missing.
# Usage: scripts/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format-14 >/dev/null && ! command -v clang-format >/dev/null; then
  scripts/install-deps.sh format
fi
format=$(command -v clang-format-14 || command -v clang-format)
case "$("$format" --version)" in
  *"version 14."*) ;;
  *) echo "check-format.sh: $("$format" --version) is not version 14; its choices may differ" >&2 ;;
esac

formatted=$(mktemp)
trap 'rm -f "$formatted"' EXIT
mapfile -t files < <(find src sim tests bench -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
changed=0
removed_total=0
added_total=0
for file in "${files[@]}"; do
  if ! "$format" --style=file "$file" >"$formatted"; then
    echo "check-format.sh: $format failed on $file" >&2
    exit 2
  fi
  cmp -s -- "$file" "$formatted" && continue
  removed=$(diff -- "$file" "$formatted" | grep -c '^<' || true)
  added=$(diff -- "$file" "$formatted" | grep -c '^>' || true)
  echo "$file: -$removed +$added lines"
  changed=$((changed + 1))
  removed_total=$((removed_total + removed))
  added_total=$((added_total + added))
done
climbing=$(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"\.\./' "${files[@]}" || true)
if [ -n "$climbing" ]; then
  echo "$climbing" >&2
  echo "check-format.sh: an include may not climb out of its folder; name the folder," \
       "as in #include \"link/transmit_queue.h\"." >&2
  exit 1
fi
if [ "$changed" -gt 0 ]; then
  echo "clang-format would change $changed of ${#files[@]} files" \
       "(-$removed_total +$added_total lines); $format -i <file> formats one." >&2
  exit 1
fi
echo "All ${#files[@]} files are formatted as .clang-format says."
