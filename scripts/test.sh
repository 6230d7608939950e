#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. "scripts/test.sh asan" does the
# same in the Debug build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/setup.sh
bash scripts/build.sh "$preset"
ctest --preset "$preset" -j"$(nproc)"
