#!/usr/bin/env bash
# Takes screenshots of the program's windows under a real X server into
# docs/screenshots/ (PNG, one per window or wizard page).
#   scripts/screenshots.sh [BUILD_DIR]      (default: build)
# Needs xvfb, xauth, xdotool and imagemagick (import).
#
# To add a shot, add a line to the list at the end:
#   shot NAME WINDOW_NAME_REGEX [KEYS...]
# sends KEYS (xdotool key names, e.g. alt+n) to the wizard, waits for the window and
# saves it as NAME.png; a dialog it opened is closed with Escape afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out=docs/screenshots

if [ -z "${TX_UNDER_XVFB:-}" ]; then
  exec env TX_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

source scripts/gui-lib.sh
mkdir -p "$out"
tx_start_program "$build"
wizard=$(tx_wait_window '^Tesselix$' 20) || tx_fail "the wizard window did not appear"
# The intro splash, when it comes, closes itself after two seconds.
if tx_wait_window '^About $' 3 > /dev/null; then
  tx_wait_gone '^About $' 5 || tx_fail "the intro did not close"
fi
missing=0

shot() {
  local name="$1" pattern="$2" id
  shift 2
  if (($#)); then
    tx_type "$wizard" "$@"
  fi
  if ! id=$(tx_wait_window "$pattern" 5); then
    echo "screenshots: no window matching '$pattern' for $name (skipped)" >&2
    missing=$((missing + 1))
    return 0
  fi
  sleep 0.5  # let it finish painting
  import -window "$id" "$out/$name.png"
  echo "$out/$name.png"
  if [ "$id" != "$wizard" ]; then
    tx_type "$id" Escape
    tx_wait_gone "$pattern" 5 || tx_fail "$name did not close"
  fi
}

shot wizard-welcome '^Tesselix$'
shot about '^About $' alt+a
shot preferences '^Preferences$' alt+p

# Every shot is required when STRICT=1 (for the README's full set).
[ "${STRICT:-0}" = 1 ] && ((missing)) && tx_fail "$missing window(s) missing"
exit 0
