#!/usr/bin/env bash
# Installs, from Debian packages, everything the build, the tests and the programs need.
# Idempotent: packages already present are skipped. Runs as root directly, else through sudo.
# Usage: bash tools/setup.sh [--i386]
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev nlohmann-json3-dev
  libsdl2-dev libsdl2-mixer-dev
  libgl-dev libglu1-mesa-dev libegl-dev libegl1-mesa-dev libgl1-mesa-dri libgbm-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libmp3lame-dev libxml2-dev libxml2-utils
  libyaml-cpp-dev libassimp-dev assimp-utils assimp-testmodels
  ffmpeg xvfb xdotool x11-utils imagemagick python3
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
)

# With --i386: what tools/width_check.sh needs to build and run the engine as 32-bit x86 on this
# machine (the 32-bit zlib comes from Debian's i386 architecture, added when missing).
if [ "${1:-}" = "--i386" ]; then
  PACKAGES+=(g++-multilib qemu-user-static zlib1g-dev:i386)
fi

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
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
