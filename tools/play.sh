#!/usr/bin/env bash
# Installs what is missing, builds everything, generates the sample show and plays it full screen
# with demoplayer. Without a display it says so and renders the show to a video file with
# `demotool record` instead. Usage: bash tools/play.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$(nproc)"

show=build/release/show
have_display=0
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
  have_display=1
elif [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  have_display=1
fi

if [ "$have_display" = 1 ]; then
  echo "Playing the sample show (Escape ends it)."
  cd "$show"
  exec ../demoplayer
fi

out="$PWD/build/release/sample_show.avi"
echo "No display found: rendering the sample show to $out with demotool record instead."
cd "$show"
exec ../tools/demotool/demotool record -o "$out"
