#!/usr/bin/env bash
# Installs what building and testing Velkan needs, from Debian's packages.
# Packages already present are left alone, so this is quick on a set-up machine.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  fonts-wine
  xdg-utils
  icoutils clang libclang-rt-14-dev
  libcreg-utils
  mtools dosfstools fdisk
  xvfb openbox xdotool x11-utils xclip imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
