#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every Linux test. With --windows it then builds the Windows programs and runs their
# tests under Wine (CTest label "windows", in build/mingw-x86_64) with the sample show of this
# build, as CI does. Usage: bash tools/test.sh [--windows]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=ON -DDEMO_BUILD_BENCH=ON
cmake --build build/ci -j"$(nproc)"
status=0
ctest --test-dir build/ci --output-on-failure -j"$(nproc)" --timeout 600 || status=$?
if [ "${1:-}" = "--windows" ]; then
  DEMO_SHOW_BUILD=build/ci bash tools/windows.sh --test || status=1
fi
exit $status
