#!/usr/bin/env bash
# One command for a newcomer: install what is missing, build the two programs (not
# the tests or benchmarks), and render the demo mosaic.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/configure.sh build
targets=(tesselix-cli tesselix_assets tesselix_viewer)  # the viewer: zoomable .html targets
grep -q '^TX_BUILD_GUI:BOOL=ON' build/CMakeCache.txt && targets+=(tesselix)
cmake --build build --target "${targets[@]}"
export TESSELIX_HOME="${TESSELIX_HOME:-$PWD/build}"
build/tesselix-cli demo "$@"
