#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the game need, but only
# those that are missing, so a machine that has everything is not touched.
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang-format clang-tidy
  libsdl2-dev libepoxy-dev libopenal-dev
  libvorbis-dev libogg-dev libstb-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl1-mesa-dri libegl-mesa0 libegl-dev
  fonts-dejavu-core espeak-ng sox
  xvfb openbox libxtst-dev libxfixes-dev libx11-dev desktop-file-utils appstream
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
