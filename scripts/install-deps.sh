#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Checks first with dpkg, so a second run does not touch apt.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libx11-dev libasound2-dev xvfb xdotool x11-utils imagemagick libpixman-1-dev
  libgl1 libgl1-mesa-dri libegl1
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libmpg123-dev libvorbis-dev libogg-dev libmp3lame-dev
  zlib1g-dev libpng-dev libjpeg62-turbo-dev
  libcairo2-dev fonts-dejavu-core
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfluidsynth-dev timgm6mb-soundfont
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
