#!/usr/bin/env bash
# Builds everything in the tree scripts/demo.sh made (same flags, so the programs
# are not built again) and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/configure.sh build
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
