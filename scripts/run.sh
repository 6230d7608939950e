#!/usr/bin/env bash
# The main job: set up, build, make the demo Windows 95 machine when it does not
# exist yet, and show it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh default
machine=${VELKAN_MACHINE:-${XDG_DATA_HOME:-$HOME/.local/share}/velkan/machine}
if [ ! -d "$machine" ]; then
  ./build/tools/velkan-machine create "$machine"
  ./build/tools/velkan-machine install "$machine"
fi
./build/tools/velkan-machine show "$machine"
