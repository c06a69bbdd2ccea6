#!/usr/bin/env bash
# Installs the Debian packages Orvalis needs to build, run and test, and any
# further ones named as arguments (the fuzz build's compiler). Idempotent.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qtbase5-dev libqt5opengl5-dev
  libopenscenegraph-dev openscenegraph
  librapidxml-dev libgdal-dev gdal-bin libnova-dev
  libosmium2-dev libprotozero-dev zlib1g-dev libbz2-dev libexpat1-dev
  libgtest-dev libgmock-dev googletest
  xvfb xauth libgl1-mesa-dri libglu1-mesa-dev mesa-utils
  osmium-tool
  imagemagick
  libcgal-dev libgmp-dev libmpfr-dev libtinygltf-dev
  libgeos-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
