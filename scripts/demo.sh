#!/usr/bin/env bash
# One command for a newcomer: install what is missing, build, and render the demo mosaic.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build
export TESSELIX_HOME="${TESSELIX_HOME:-$PWD/build}"
build/tesselix-cli demo "$@"
