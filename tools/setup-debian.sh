#!/usr/bin/env bash
# Installs everything Glintview needs to build, run and test on Debian 12.
# This is the only place that names Debian packages.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev
  libopenjp2-7-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
  libgtest-dev libbenchmark-dev libpugixml-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core fonts-liberation2 imagemagick
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
