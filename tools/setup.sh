#!/usr/bin/env bash
# Installs, from Debian packages, everything the build, the tests and the programs need.
# Idempotent: packages already present are skipped. Runs as root directly, else through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev nlohmann-json3-dev
  libsdl2-dev libsdl2-mixer-dev
  libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri libgbm-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  libmp3lame-dev libxml2-dev libxml2-utils
  ffmpeg xvfb xdotool x11-utils imagemagick python3
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
