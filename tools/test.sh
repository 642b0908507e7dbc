#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test. Usage: bash tools/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build/ci -DCMAKE_BUILD_TYPE=Debug -DDEMO_SANITIZE=ON -DDEMO_BUILD_BENCH=ON
cmake --build build/ci -j"$(nproc)"
ctest --test-dir build/ci --output-on-failure -j"$(nproc)" --timeout 600
