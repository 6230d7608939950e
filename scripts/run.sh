#!/usr/bin/env bash
# The main job: set up, build, make the demo Windows 95 machine when it does not
# exist yet, show it, and open the customiser on it when there is a display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh default
machine=${VELKAN_MACHINE:-${XDG_DATA_HOME:-$HOME/.local/share}/velkan/machine}
export VELKAN_MACHINE=$machine
if [ ! -d "$machine" ]; then
  ./build/tools/velkan-machine create "$machine"
  ./build/tools/velkan-machine install "$machine"
fi
./build/tools/velkan-machine show "$machine"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/app/velkrun
else
  echo
  echo "No display here, so the customiser window cannot open. On a desktop run"
  echo "    VELKAN_MACHINE=$machine ./build/app/velkrun"
  echo "or give it a virtual display:"
  echo "    VELKAN_MACHINE=$machine xvfb-run ./build/app/velkrun"
fi
