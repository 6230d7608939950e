#!/usr/bin/env bash
# Sets up, builds and runs the test suite in every configuration CI checks:
#   default  RelWithDebInfo
#   asan     Debug with AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan     ThreadSanitizer over the logic and its worker threads (no Qt windows)
#   fuzz     every libFuzzer target for a bounded time (clang)
# "scripts/test.sh default" (or any list of those names) runs only those.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -eq 0 ]; then
    set -- default asan tsan
    if grep -q '"name": "fuzz"' CMakePresets.json; then
        set -- "$@" fuzz
    fi
fi
bash scripts/setup.sh
for preset in "$@"; do
    echo "==== $preset: build"
    started=$(date +%s)
    bash scripts/build.sh "$preset"
    echo "==== $preset: tests"
    ctest --preset "$preset" -j"$(nproc)"
    echo "==== $preset: done in $(( $(date +%s) - started )) s"
done
