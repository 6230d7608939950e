#!/usr/bin/env bash
# Lists every icon of a large PE icon library with Velkan's icon browser and
# extracts the same icons with icoutils (wrestool + icotool, Debian's
# "icoutils"), in one run, and prints both times.
#   bench/icons_vs_icoutils.sh [BUILD_DIR] [LIBRARY]
# Without LIBRARY a 180-icon library (four images per icon) is made with the
# machine tools' PE resource writer: no Debian package on a plain machine
# ships a 16-colour/256-colour PE icon library of that size.
set -euo pipefail
build=${1:-build}
bench="$build/bench/icons_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
library=${2:-}
if [ -z "$library" ]; then
  library="$work/ICONS180.DLL"
  "$bench" make "$library" 180
fi
command -v wrestool >/dev/null || { echo "icoutils missing: apt-get install icoutils" >&2; exit 1; }

"$bench" list "$library" 5

# icoutils: every group icon out of the library, then its 32x32 image to PNG,
# the same work as the browser's list (decode the image Windows would pick).
best=""
for run in 1 2 3; do
  rm -rf "$work/ico" "$work/png"
  mkdir -p "$work/ico" "$work/png"
  start=$(date +%s%N)
  wrestool -x --type=14 -o "$work/ico" "$library"
  for f in "$work/ico"/*.ico; do
    icotool -x -w 32 -h 32 -o "$work/png" "$f"
  done
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
echo "icoutils wrestool + icotool: $(ls "$work/ico" | wc -l) icons in ${best} ms (best of 3)"
