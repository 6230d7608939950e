#!/usr/bin/env bash
# Times `velkan-machine show` on the same installed demo machine twice: once
# with drive C: as a folder, once as a FAT16 disk image, the runs taken in
# turns so that both meet the same load of the machine. The image may cost
# at most three times the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-20}
tool=$build/tools/velkan-machine
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$tool" create "$tmp/folder" >/dev/null
"$tool" install "$tmp/folder" >/dev/null
"$tool" create --image "$tmp/image" >/dev/null
"$tool" install "$tmp/image" >/dev/null
# Both show the same machine, or the figures compare nothing.
if ! diff <("$tool" show "$tmp/folder" --json) <("$tool" show "$tmp/image" --json) >/dev/null; then
  echo "the two machines do not show the same look" >&2
  exit 1
fi
ns() { date +%s%N; }
folder=0 image=0
for i in $(seq "$runs"); do
  start=$(ns); "$tool" show "$tmp/folder" >/dev/null; end=$(ns)
  folder=$(( folder + end - start ))
  start=$(ns); "$tool" show "$tmp/image" >/dev/null; end=$(ns)
  image=$(( image + end - start ))
done
f=$(awk "BEGIN { printf \"%.1f\", $folder / $runs / 1e6 }")
m=$(awk "BEGIN { printf \"%.1f\", $image / $runs / 1e6 }")
ratio=$(awk "BEGIN { printf \"%.2f\", $image / ($folder > 0 ? $folder : 1) }")
echo "velkan-machine show, mean of $runs runs: folder ${f} ms, image ${m} ms, image / folder ${ratio}"
awk "BEGIN { exit !($image <= 3 * $folder) }" || { echo "the image takes more than 3x the folder" >&2; exit 1; }
