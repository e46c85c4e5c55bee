#!/usr/bin/env bash
# Starts the real program under a real X server (xvfb-run, not Qt's offscreen
# platform) and checks that the wizard window appears with its size and stays up.
# Exits non-zero when it does not.
#   scripts/gui-e2e.sh [BUILD_DIR]      (default: build)
# Needs xvfb, xauth and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

if [ -z "${TX_UNDER_XVFB:-}" ]; then
  exec env TX_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

source scripts/gui-lib.sh
tx_start_program "$build"

wizard=$(tx_wait_window '^Tesselix$' 20) || tx_fail "the wizard window did not appear"
geometry=$(xdotool getwindowgeometry "$wizard" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "503x388" ] || tx_fail "the wizard is $geometry, not 503x388"
sleep 1
kill -0 "$TX_PID" 2>/dev/null || tx_fail "the program ended on its own"
echo "gui-e2e: the wizard appeared ($geometry) under a real X server"
