#!/usr/bin/env bash
# Builds the player for web browsers into build/web/ (index.html, demoplayer.js, demoplayer.wasm
# and the sample show's data.pak, music.mp3 and spinner.flc) and build/web.zip.
#   --serve  then serves build/web/ on 127.0.0.1 and prints the address
#   --test   then runs the browser tests (CTest label "web") in build/release
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

serve=0
test=0
for arg in "$@"; do
  case "$arg" in
    --serve) serve=1 ;;
    --test) test=1 ;;
    *) echo "usage: tools/web.sh [--serve] [--test]" >&2; exit 2 ;;
  esac
done

# The compiler and the browser come from Debian; install them when missing.
need=()
command -v emcc > /dev/null || need+=(emscripten)
if [ "$test" = 1 ]; then command -v chromium > /dev/null || need+=(chromium); fi
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
# Emscripten's optimiser finds Debian's JavaScript modules here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# The sample show comes from the native generator; the tests compare with demotool's pictures.
cmake -S . -B build/release > /dev/null
if [ "$test" = 1 ]; then
  cmake --build build/release -j2 --target sample_show demotool
else
  cmake --build build/release -j2 --target sample_show
fi

emcmake cmake -S . -B build/web-build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build/web-build -j2 --target demoplayer_web

rm -rf build/web build/web.zip
mkdir -p build/web
cp tools/web/index.html build/web-build/tools/web/demoplayer.js build/web-build/tools/web/demoplayer.wasm build/web/
cp build/release/show/data.pak build/release/show/music.mp3 build/release/show/spinner.flc build/web/
(cd build && python3 -m zipfile -c web.zip web)
echo "build/web/ and build/web.zip are ready"

if [ "$test" = 1 ]; then
  # The browser tests are registered only for this run: the README's test command needs no browser.
  # The folder may have been configured without tests (tools/play.sh does): turn them on, and
  # count a run that finds no browser test as a failure.
  cmake -S . -B build/release -DDEMO_BUILD_TESTS=ON -DDEMO_WEB_TESTS=ON > /dev/null
  status=0
  ctest --test-dir build/release -L web --no-tests=error --output-on-failure -V || status=$?
  cmake -S . -B build/release -DDEMO_WEB_TESTS=OFF > /dev/null
  [ "$status" = 0 ] || exit "$status"
fi

if [ "$serve" = 1 ]; then
  port=${DEMO_WEB_PORT:-8024}
  echo "serving the show at http://127.0.0.1:$port/ (Ctrl-C stops)"
  cd build/web && exec python3 -m http.server "$port" --bind 127.0.0.1
fi
