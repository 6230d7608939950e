#!/usr/bin/env bash
# Times velkrun from process start to its main window shown, on a fresh demo
# machine, under the offscreen platform. The program is asked to quit as soon
# as the window is up (VELKAN_QUIT_WHEN_SHOWN), so the figure is the whole
# start-up: machine reading, build detection, registry, windows. A bare Qt
# dialog is timed beside it: velkrun's start must stay within twice its time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-10}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/tools/velkan-machine" create "$tmp/m" >/dev/null
"$build/tools/velkan-machine" install "$tmp/m" >/dev/null
export VELKAN_MACHINE=$tmp/m QT_QPA_PLATFORM=offscreen VELKAN_QUIT_WHEN_SHOWN=1
# The first run shows the backup notice once; record it as shown.
"$build/tools/velkan-machine" reg add 'HKCU\Software\Velkan' /v "Backup Notice Shown" /d 1 /f >/dev/null
total=0
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/app/velkrun" >/dev/null 2>&1
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  total=$(( total + ms ))
  echo "run $i: ${ms} ms"
done
mean=$(( total / runs ))
echo "mean start-up to shown main window: ${mean} ms over $runs runs"

# The yardstick: a bare Qt dialog, shown and closed, on the same platform.
bare=0
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/bench/bare_dialog" >/dev/null 2>&1
  end=$(date +%s%N)
  bare=$(( bare + (end - start) / 1000000 ))
done
bare=$(( bare / runs ))
echo "mean start-up of a bare Qt dialog: ${bare} ms over $runs runs"
echo "velkrun / bare dialog: $(awk "BEGIN { printf \"%.2f\", $mean / ($bare > 0 ? $bare : 1) }")"

# Wall time moves with the machine's load; instructions do not. Counted by
# callgrind when valgrind is there.
if command -v valgrind >/dev/null; then
  count() {
    valgrind --tool=callgrind --callgrind-out-file="$tmp/cg.out" "$@" >/dev/null 2>&1
    callgrind_annotate "$tmp/cg.out" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }'
  }
  v=$(count "$build/app/velkrun")
  b=$(count "$build/bench/bare_dialog")
  echo "instructions to the shown window: velkrun $v, bare Qt dialog $b"
  echo "velkrun / bare dialog (instructions): $(awk "BEGIN { printf \"%.2f\", $v / $b }")"
fi
