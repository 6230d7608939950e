#!/usr/bin/env bash
# Runs every libFuzzer target for a while, e.g. an hour each before a release:
#   bash scripts/fuzz.sh 3600          every target, 3600 s each
#   bash scripts/fuzz.sh 600 bmp png   only those targets
# Configures and builds build-fuzz (the "fuzz" preset: clang, sanitizers,
# coverage in every library), runs the targets in parallel, up to one per
# core, each on a copy of its seeds in build-fuzz/fuzz-run/<target>/, and
# prints the executions and the crashes of each. Inputs that crash are kept as
# build-fuzz/fuzz-run/<target>/crash-* until the next run of that target;
# add one to fuzz/corpus/<target>/ once the reader is mended, so the ordinary
# test suite runs it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
    for program in build-fuzz/fuzz/fuzz_*; do
        [ -x "$program" ] && targets+=("${program##*/fuzz_}")
    done
fi

run_one() {
    local target=$1 seconds=$2
    local dir=build-fuzz/fuzz-run/$target
    # Findings of an earlier run go; copy those worth keeping first.
    rm -rf "$dir/corpus" "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*
    mkdir -p "$dir"
    cp -r "fuzz/corpus/$target" "$dir/corpus"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" \
        >"$dir/log.txt" 2>&1 || true
}
export -f run_one

echo "fuzz: ${#targets[@]} targets, ${seconds} s each, $(nproc) at a time"
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_one "$@"' _ {} "$seconds"

status=0
printf '%-10s %14s %8s %8s\n' target executions corpus crashes
for target in "${targets[@]}"; do
    dir=build-fuzz/fuzz-run/$target
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log.txt" | tail -1)
    crashes=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | wc -l)
    printf '%-10s %14s %8s %8s\n' "$target" "${runs:-?}" "$(ls "$dir/corpus" | wc -l)" "$crashes"
    if [ "$crashes" -ne 0 ] || [ -z "$runs" ]; then
        status=1
        find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
            -o -name 'oom-*' \) -printf '    %p\n'
    fi
done
exit $status
