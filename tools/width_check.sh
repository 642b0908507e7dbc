#!/usr/bin/env bash
# Checks that 32-bit x86 (i686 with SSE2 arithmetic, as the 32-bit Windows programs are built) and
# x86-64 compute the same show. tools/state_hash is built twice from the engine's sources with the
# same compiler and flags, once for each width (the 32-bit one static, run under qemu-i386), and
# each prints hashes of everything the sample show draws at several times (every primitive's
# vertices and colour, every matrix and picture: the show's simulated state as it reaches the
# screen); the lines must be equal. The player's window, OpenGL and recorder are never reached
# without a window, so their symbols are left unresolved. Several minutes on 2 cores: run by hand.
# Usage: bash tools/width_check.sh [SECONDS...]   (default: 2 6 12 18 30 42 54 66)
# DEMO_SHOW_DIR=<folder> plays the show there instead of the native build's sample show.
# DEMO_WIDTH_FPMATH=387 builds the 32-bit one with the x87 unit instead, to see the check tell.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --i386
times=("$@")
[ "${#times[@]}" -gt 0 ] || times=(2 6 12 18 30 42 54 66)
jobs=$(nproc)
[ "$jobs" -gt 2 ] || jobs=2

# The sample show of the native build (DEMO_SHOW_BUILD names another build folder), or the
# show folder DEMO_SHOW_DIR names.
if [ -n "${DEMO_SHOW_DIR:-}" ]; then
  show=$(cd "$DEMO_SHOW_DIR" && pwd)
else
  show_build=${DEMO_SHOW_BUILD:-build/release}
  [ -f "$show_build/CMakeCache.txt" ] || cmake -S . -B "$show_build" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$show_build" -j"$jobs" --target sample_show
  show=$(cd "$show_build/show" && pwd)
fi

sources=$(ls data/*.cpp math/*.cpp scene/*.cpp mesh/*.cpp fx/*.cpp world/*.cpp app/*.cpp tools/state_hash/main.cpp \
  platform/{core,device,gl,null,audio}/*.cpp platform/posix/system_clock_std.cpp |
  grep -v '^app/main\.cpp$')
common="-O2 -std=c++20 -I$(pwd)"
fpmath=${DEMO_WIDTH_FPMATH:-sse}
out=build/width_check
for width in 64 32; do
  dir=$out/$width
  flags=$common
  if [ "$width" = 32 ]; then
    dir=$out/32-$fpmath
    flags="-m32 -msse2 -mfpmath=$fpmath $common"
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "width_check: building state_hash for $width-bit ($flags)"
  printf '%s\n' $sources | DIR=$dir FLAGS=$flags xargs -P"$jobs" -I{} sh -c \
    'g++ $FLAGS -c {} -o "$DIR/$(echo {} | tr / _).o"'
  # shellcheck disable=SC2086
  g++ $flags -static -o "$dir/state_hash" "$dir"/*.o -lz -Wl,--unresolved-symbols=ignore-all
done

echo "width_check: playing the sample show to ${times[*]} s on both widths"
"$out/64/state_hash" --dir "$show" "${times[@]}" >"$out/64.txt"
qemu-i386-static "$out/32-$fpmath/state_hash" --dir "$show" "${times[@]}" >"$out/32.txt"
count=$(wc -l <"$out/64.txt")
if [ "$count" -ne "${#times[@]}" ] || ! cmp -s "$out/64.txt" "$out/32.txt"; then
  echo "width_check: FAIL: the widths compute different shows"
  diff "$out/64.txt" "$out/32.txt" || true
  exit 1
fi
cat "$out/64.txt"
echo "width_check: $count states compared, equal on 32-bit (i686, SSE2) and 64-bit"
