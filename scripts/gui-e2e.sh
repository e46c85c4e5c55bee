#!/usr/bin/env bash
# Starts the real program under a real X server (xvfb-run, not Qt's offscreen
# platform), checks that the wizard appears with its size, and makes a mosaic
# through the wizard's own controls, typed as a user would: welcome page, source
# and library, three option pages, Return for "&Render!", the save dialog, the task window;
# then an even mosaic ("&Even tile use" on page 11, the target typed on page 13).
# Exits non-zero when anything fails.
#   scripts/gui-e2e.sh [BUILD_DIR | PROGRAM]      (default: build)
# An installed program (e.g. /usr/bin/tesselix: no Gfx folder beside it) runs as a
# fresh user would run it: an empty home, no TESSELIX_HOME, its own pictures.
# Then, started afresh, it makes a tile library from a folder of pictures through
# the new-library page, analyses it on the edit page and opens the tile viewer.
# Needs xvfb, xauth and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build" ] && build="$(dirname "$build")"

if [ -z "${TX_UNDER_XVFB:-}" ]; then
  exec env TX_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

source scripts/gui-lib.sh

tx_choose_home "$build"
tx_with_home TESSELIX_SETTINGS="$TX_TMP/cli.ini" "$build/tesselix-cli" demo --quiet \
  --out "$TX_TMP/cli-mosaic.jpg" > /dev/null || tx_fail "the demo library could not be made"
source_picture="$(ls "$TX_HOME"/demo/*source* 2>/dev/null | head -n1)"
[ -f "$source_picture" ] || source_picture="$(find "$TX_HOME" -name 'demo-source.*' | head -n1)"
[ -f "$source_picture" ] || tx_fail "no demo picture"
target="$TX_TMP/wizard-mosaic.jpg"

tx_start_program "$build"
wizard=$(tx_wait_window '^Tesselix$' 20) || tx_fail "the wizard window did not appear"
geometry=$(xdotool getwindowgeometry "$wizard" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "503x388" ] || tx_fail "the wizard is $geometry, not 503x388"
if tx_wait_window '^About $' 3 > /dev/null; then
  tx_wait_gone '^About $' 5 || tx_fail "the intro did not close"
fi
kill -0 "$TX_PID" 2>/dev/null || tx_fail "the program ended on its own"
echo "gui-e2e: the wizard appeared ($geometry) under a real X server"

# Welcome page: the preferences open with their mnemonic and close with Escape.
tx_type "$wizard" alt+p
prefs=$(tx_wait_window '^Preferences$' 10) || tx_fail "Alt+P did not open the preferences"
tx_type "$prefs" Escape
tx_wait_gone '^Preferences$' 5 || tx_fail "Escape did not close the preferences"
# "Create a new photo mosaic" is chosen; Next.
tx_type "$wizard" alt+n
sleep 0.5
# Page 1: the source path into the focused source box, then the first library.
xdotool windowfocus --sync "$wizard"
xdotool type --delay 5 "$source_picture"
tx_type "$wizard" Tab Tab Down
sleep 0.5
# Pages 11, 12 and 13 keep their defaults.
tx_type "$wizard" alt+n
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.3
# Return presses the page's default button, "&Render!".
tx_type "$wizard" Return
# The save dialog: the file name field has the focus.
dialog=$(tx_wait_window 'Save|save' 10) || tx_fail "no save dialog after Render"
sleep 0.5
xdotool windowfocus --sync "$dialog"
xdotool key ctrl+a
xdotool type --delay 5 "$target"
xdotool key Return
tx_wait_gone 'Save|save' 10 || tx_fail "the save dialog did not close"

# The task window runs the job; press "&Finished" once the mosaic is written.
for _ in $(seq 600); do
  [ -s "$target" ] && break
  kill -0 "$TX_PID" 2>/dev/null || tx_fail "the program ended during the job"
  sleep 0.1
done
[ -s "$target" ] || tx_fail "no mosaic was written to $target"
sleep 1
task=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
[ -n "$task" ] || tx_fail "no task window"
tx_type "$task" alt+f
tx_wait_gone_id "$task" || tx_fail "the task window did not close on Finished"
head -c 2 "$target" | od -An -tx1 | grep -q "ff d8" || tx_fail "$target is not a JPEG file"
echo "gui-e2e: a mosaic was made through the wizard ($(stat -c %s "$target") bytes)"

# Even tile use, typed on page 11 in a fresh start; the target typed on page 13.
even_target="$TX_TMP/wizard-even.jpg"
tx_restart_program "$build"
tx_type "$wizard" alt+m alt+n
sleep 0.5
xdotool windowfocus --sync "$wizard"
xdotool key ctrl+a
xdotool type --delay 5 "$source_picture"
tx_type "$wizard" Tab Tab Down
sleep 0.5
tx_type "$wizard" alt+n
sleep 0.3
tx_type "$wizard" alt+e
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.3
tx_type "$wizard" alt+f ctrl+a
xdotool type --delay 5 "$even_target"
tx_type "$wizard" Return
for _ in $(seq 600); do
  [ -s "$even_target" ] && break
  kill -0 "$TX_PID" 2>/dev/null || tx_fail "the program ended during the even job"
  sleep 0.1
done
[ -s "$even_target" ] || tx_fail "no even mosaic was written to $even_target"
sleep 1
task=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
[ -n "$task" ] || tx_fail "no task window for the even mosaic"
tx_type "$task" alt+f
tx_wait_gone_id "$task" || tx_fail "the task window did not close on Finished"
head -c 2 "$even_target" | od -An -tx1 | grep -q "ff d8" || tx_fail "$even_target is not a JPEG file"
grep -q '[\\]EvenUse=1$' "$TX_TMP/settings.ini" || tx_fail "the wizard did not keep \"every tile before repeats\""
echo "gui-e2e: an even mosaic (every tile before repeats) was made through the wizard ($(stat -c %s "$even_target") bytes)"

# The library branch, in a fresh start of the program.
pictures="$TX_TMP/pictures"
mkdir -p "$pictures" "$TX_HOME/Tiles/E2E"
for n in 1 2 3 4 5; do cp "$TX_HOME/Tiles/Demo/$n.jpg" "$pictures/photo$n.jpg"; done
library="$TX_HOME/Tiles/E2E"

tx_restart_program "$build"
# Welcome page: "Create a new tile library"; the source folder; the library "E2E"; Start.
tx_type "$wizard" alt+t
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.5
xdotool windowfocus --sync "$wizard"
xdotool type --delay 5 "$pictures"
sleep 1
tx_type "$wizard" alt+l
xdotool type --delay 5 "E"
sleep 0.3
tx_type "$wizard" alt+s
for _ in $(seq 300); do
  [ "$(ls "$library" | grep -c '\.jpg$')" -ge 5 ] && break
  sleep 0.1
done
[ "$(ls "$library" | grep -c '\.jpg$')" -eq 5 ] || tx_fail "the library holds $(ls "$library" | wc -l) files, not 5 tiles"
task=$(xdotool search --onlyvisible --name '^Tesselix$' | grep -v "^$wizard\$" | head -n1 || true)
[ -n "$task" ] || tx_fail "no task window for the new library"
sleep 0.5
tx_type "$task" alt+f
tx_wait_gone_id "$task" || tx_fail "the task window did not close"
echo "gui-e2e: a library of 5 tiles was made through the new-library page"

# Edit page: choose "E2E", analyse it (the task window closes itself), open the viewer.
tx_restart_program "$build"
tx_type "$wizard" alt+e
sleep 0.3
tx_type "$wizard" alt+n
sleep 0.5
xdotool windowfocus --sync "$wizard"
xdotool type --delay 5 "E"
sleep 0.5
tx_type "$wizard" alt+c
for _ in $(seq 200); do [ -s "$library/1x1.txt" ] && break; sleep 0.1; done
[ -s "$library/1x1.txt" ] || tx_fail "the analysis made no colour database"
sleep 1
tx_type "$wizard" alt+v
viewer=$(tx_wait_window "^Tiles of 'E2E'$" 10) || tx_fail "the tile viewer did not open"
sleep 0.5
tx_type "$viewer" Escape
tx_wait_gone "^Tiles of 'E2E'$" 5 || tx_fail "the tile viewer did not close"
kill -0 "$TX_PID" 2>/dev/null || tx_fail "the program ended on its own"
echo "gui-e2e: the library was analysed and shown in the tile viewer"
