#!/usr/bin/env bash
# Times "velkan-machine reg add" of one value on a machine whose SYSTEM.DAT is
# the size of a real one (about 1.2 MB, 5 000 keys, 16 000 values, made by our
# writer) beside cregexport (Debian's libcreg-utils) reading that file, in one
# run, and prints both times and their ratio.
#   bench/registry_vs_cregexport.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-10}
command -v cregexport >/dev/null || { echo "cregexport missing: apt-get install libcreg-utils" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
m=$tmp/m
"$build/tools/velkan-machine" create "$m" >/dev/null
"$build/bench/registry_bench" make "$m/drive_c/WINDOWS/SYSTEM.DAT"
size=$(stat -c %s "$m/drive_c/WINDOWS/SYSTEM.DAT")
export VELKAN_MACHINE=$m

ms() { echo $(( ($2 - $1) / 1000000 )); }
add=0
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  "$build/tools/velkan-machine" reg add 'HKLM\SOFTWARE\Velkan Bench' /v "Run $i" /d "value $i" /f >/dev/null
  end=$(date +%s%N)
  add=$(( add + $(ms "$start" "$end") ))
done
add=$(( add / runs ))
"$build/tools/velkan-machine" reg query 'HKLM\SOFTWARE\Velkan Bench' /v "Run $runs" >/dev/null

creg=0
for i in $(seq "$runs"); do
  start=$(date +%s%N)
  cregexport "$m/drive_c/WINDOWS/SYSTEM.DAT" >/dev/null
  end=$(date +%s%N)
  creg=$(( creg + $(ms "$start" "$end") ))
done
creg=$(( creg / runs ))
echo "SYSTEM.DAT: $size bytes"
echo "velkan-machine reg add (one value, written to the disk): ${add} ms (mean of $runs)"
echo "cregexport reading the same file: ${creg} ms (mean of $runs)"
echo "reg add / cregexport: $(awk "BEGIN { printf \"%.3f\", $add / ($creg > 0 ? $creg : 1) }")"
