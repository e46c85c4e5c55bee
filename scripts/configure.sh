#!/usr/bin/env bash
# The one configuration of the build tree that scripts/demo.sh, scripts/test.sh and
# CI share, so no script rebuilds another's work with other flags (warnings are
# errors in all of them).
#   scripts/configure.sh [BUILD_DIR] [extra cmake arguments...]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTX_WERROR=ON "$@" > /dev/null
