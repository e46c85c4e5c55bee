#!/usr/bin/env bash
# Takes screenshots of the program's windows under a real X server into
# docs/screenshots/ (PNG, one per window or wizard page), once with the toolkit's
# default font and once more into docs/screenshots/11pt/ with an 11 pt desktop
# font (set the way a KDE desktop sets it, through its kdeglobals file).
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

for tool in xvfb-run xauth xdotool import; do
  command -v "$tool" > /dev/null || {
    echo "screenshots: '$tool' is missing; scripts/install-deps.sh installs xvfb, xauth, xdotool and imagemagick" >&2
    exit 1
  }
done

if [ -z "${TX_UNDER_XVFB:-}" ]; then
  exec env TX_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

source scripts/gui-lib.sh
# A private home with the decoration pictures, the demo library and the demo picture.
tx_choose_home "$build"
if tx_with_home TESSELIX_SETTINGS="$TX_TMP/cli.ini" "$build/tesselix-cli" demo --quiet \
  --out "$TX_TMP/demo.jpg" > /dev/null; then
  TX_DEMO_SOURCE="$(find "$TX_HOME" -name 'demo-source.*' | head -n1)"
  cp "$TX_HOME/Tiles/Demo/1.jpg" "$TX_HOME/Tiles/Demo/0.jpg"  # a double for the doubles dialog
fi
# Waits up to N tenths of a second for a window named like the wizard that is not it.
tx_wait_non_wizard() {
  local id
  for _ in $(seq "$1"); do
    id=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}
# Sends keys to the wizard one at a time: a page that is still being built when
# the next key comes would lose it.
keys() {
  local key
  for key in "$@"; do
    tx_type "$wizard" "$key"
    sleep 0.4
  done
}

missing=0
# One set of shots into the folder OUT, from a fresh start of the program.
take_set() {
out="$1"
mkdir -p "$out"
rm -f "$TX_TMP/settings.ini" "$TX_TMP/shot-mosaic.jpg"
tx_start_program "$build"
wizard=$(tx_wait_window '^Tesselix$' 20) || tx_fail "the wizard window did not appear"
# The intro splash, when it comes, closes itself after two seconds.
if tx_wait_window '^About $' 3 > /dev/null; then
  tx_wait_gone '^About $' 5 || tx_fail "the intro did not close"
fi

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
# The mosaic branch with the demo picture and library (made by tesselix-cli demo).
if [ -n "${TX_DEMO_SOURCE:-}" ]; then
  keys alt+m alt+n
  sleep 0.5
  xdotool windowfocus --sync "$wizard"
  xdotool type --delay 5 "$TX_DEMO_SOURCE"
  tx_type "$wizard" Tab Tab Down
  sleep 0.5
  shot wizard-source '^Tesselix$'
  shot wizard-matrix '^Tesselix$' alt+n
  shot wizard-adjust '^Tesselix$' alt+n
  shot wizard-output '^Tesselix$' alt+n
  keys alt+b alt+b alt+b
  # The demo picture is over a megapixel: the preview asks first; Yes.
  keys alt+w
  question=""
  for _ in $(seq 50); do
    question=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
    [ -n "$question" ] && break
    sleep 0.1
  done
  sleep 0.3
  [ -n "$question" ] && tx_type "$question" Return
  shot source-preview '^Source Preview$'
  # A whole mosaic: the task window once the job is complete.
  keys alt+n alt+n alt+n alt+r
  if dialog=$(tx_wait_window 'Save|save' 10); then
    sleep 0.5
    xdotool windowfocus --sync "$dialog"
    xdotool key ctrl+a
    xdotool type --delay 5 "$TX_TMP/shot-mosaic.jpg"
    xdotool key Return
    for _ in $(seq 600); do [ -s "$TX_TMP/shot-mosaic.jpg" ] && break; sleep 0.1; done
    sleep 1.5
    task=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
    if [ -n "$task" ] && [ -s "$TX_TMP/shot-mosaic.jpg" ]; then
      import -window "$task" "$out/task-window.png" && echo "$out/task-window.png"
      tx_type "$task" alt+f
      tx_wait_gone_id "$task"
    else
      missing=$((missing + 1))
    fi
  fi
  # The library branch: back to the welcome page, then "new library" and "edit library".
  keys alt+b alt+b alt+b alt+b alt+t alt+n
  sleep 0.5
  xdotool windowfocus --sync "$wizard"
  xdotool type --delay 5 "$(dirname "$TX_DEMO_SOURCE")"
  sleep 1
  shot library-new '^Tesselix$'
  # "Edit library" from a fresh start: the program is started again.
  tx_restart_program "$build"
  tx_type "$wizard" alt+e
  sleep 0.3
  tx_type "$wizard" alt+n
  sleep 0.5
  tx_type "$wizard" Down
  sleep 0.5
  shot library-edit '^Tesselix$'
  # The library holds one tile twice (copied before the start): the doubles dialog.
  tx_type "$wizard" alt+f
  if dialog=$(tx_wait_non_wizard 100); then
    for _ in $(seq 100); do
      dialog=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | tail -n1 || true)
      [ -n "$dialog" ] && xdotool getwindowgeometry "$dialog" | grep -q 'Geometry: 360x' && break
      sleep 0.1
    done
    sleep 0.5
    import -window "$dialog" "$out/doubles-dialog.png" && echo "$out/doubles-dialog.png"
    tx_type "$dialog" alt+s  # stop searching
    sleep 1
  fi
  shot tile-viewer '^Tiles of ' alt+v
fi

if [ -n "$TX_PID" ]; then
  kill "$TX_PID" 2> /dev/null || true
  wait "$TX_PID" 2> /dev/null || true
  TX_PID=""
fi
}

take_set docs/screenshots
# The same windows with the 11 pt font of a common Linux desktop.
mkdir -p "$TX_TMP/desktop"
printf '[General]\nfont=DejaVu Sans,11,-1,5,50,0,0,0,0,0\n' > "$TX_TMP/desktop/kdeglobals"
export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 XDG_CONFIG_HOME="$TX_TMP/desktop"
take_set docs/screenshots/11pt

# Every shot is required when STRICT=1 (for the README's full set).
[ "${STRICT:-0}" = 1 ] && ((missing)) && tx_fail "$missing window(s) missing"
exit 0
