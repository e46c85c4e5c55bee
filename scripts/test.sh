#!/usr/bin/env bash
# Builds everything (warnings are errors) and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTX_WERROR=ON > /dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
