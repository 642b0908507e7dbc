#!/usr/bin/env bash
# Installs what is missing, builds what playing needs (the player, the sample show's generator
# and the show itself; demotool too when there is no display) and plays the show full screen with
# demoplayer. Without a display it says so and renders the show to a video file with
# `demotool record` instead. Usage: bash tools/play.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

have_display=0
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
  have_display=1
elif [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  have_display=1
fi

# The tests and benchmarks are not needed to play: they stay out of this build folder.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF -DDEMO_BUILD_BENCH=OFF
targets=(demoplayer sample_show)
if [ "$have_display" = 0 ]; then targets+=(demotool); fi
cmake --build build/release -j"$(nproc)" --target "${targets[@]}"

show=build/release/show
if [ "$have_display" = 1 ]; then
  echo "Playing the sample show (Escape ends it)."
  cd "$show"
  exec ../demoplayer
fi

out="$PWD/build/release/sample_show.avi"
echo "No display found: rendering the sample show to $out with demotool record instead."
cd "$show"
exec ../tools/demotool/demotool record -o "$out"
