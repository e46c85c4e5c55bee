#!/usr/bin/env bash
# Opens a small zoomable mosaic from file:// in headless Chromium and checks that
# OpenSeadragon opened the pyramid and drew its tiles (the screenshot shows the
# mosaic, not a flat page), and that pointing at the middle cell outlines it and names the tile
# the plan put there. Exits non-zero when anything fails.
#   scripts/zoom-check.sh [BUILD_DIR]      (default: build)
# Without a fetched viewer (an offline build) it checks the message instead.
# Needs chromium and ImageMagick (convert).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cli="$build/tesselix-cli"
fail() { echo "zoom-check: $*" >&2; exit 1; }
[ -x "$cli" ] || fail "no $cli"
command -v chromium > /dev/null || fail "chromium is not installed"
command -v convert > /dev/null || fail "ImageMagick (convert) is not installed"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export TESSELIX_HOME="$tmp/home" TESSELIX_SETTINGS="$tmp/settings.ini"
mkdir -p "$TESSELIX_HOME"
timeout 120 "$cli" demo --quiet --out "$tmp/demo.jpg" > /dev/null || fail "the demo library could not be made"
source_picture="$(find "$TESSELIX_HOME" -name 'demo-source.*' | head -n1)"
[ -f "$source_picture" ] || fail "no demo picture"

# A space in the name: the page must percent-encode its folder.
page="$tmp/zoom check.html"
make_page() {
  timeout 120 "$cli" mosaic --source "$source_picture" --library Demo --out "$page" --cells 40x30 \
    --plan "$tmp/plan.csv" --quiet "$@"
}
if [ ! -f "$build/openseadragon/openseadragon.min.js" ]; then
  if make_page 2> "$tmp/err"; then fail "a zoomable page was made without its viewer"; fi
  grep -q "viewer (OpenSeadragon) is missing" "$tmp/err" || fail "no clear message without the viewer: $(cat "$tmp/err")"
  [ ! -e "$page" ] && [ ! -e "$tmp/zoom check_files" ] || fail "files left behind without the viewer"
  echo "zoom-check: skipped, the build has no viewer (npm or the network was missing); the message is clear"
  exit 0
fi
make_page > /dev/null || fail "the zoomable mosaic could not be made"
[ -f "$tmp/zoom check.dzi" ] && [ -f "$tmp/zoom check_files/openseadragon/LICENSE.txt" ] || fail "files missing"

url="file://$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$page")#selftest"
browse() {
  local profile
  profile="$(mktemp -d "$tmp/profile.XXXX")"
  timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$profile" \
    --window-size=1024,768 --virtual-time-budget=15000 "$@" "$url" 2> "$tmp/chromium.log"
}
browse --dump-dom > "$tmp/dom.html" || fail "chromium failed: $(tail -n 5 "$tmp/chromium.log")"
body="$(grep -o '<body[^>]*>' "$tmp/dom.html" | head -n1)"
[[ "$body" == *'data-viewer="open"'* ]] || fail "OpenSeadragon did not open the pyramid: $body"
[[ "$body" =~ data-tiles=\"([0-9]+)\" ]] && ((BASH_REMATCH[1] > 0)) || fail "no tile was loaded: $body"
# The home view centres the picture: the middle of the viewer is cell 20, 15 of 40 x 30.
expected="$(awk -F, '$1 == 20 && $2 == 15 { print $4 }' "$tmp/plan.csv")"
[ -n "$expected" ] || fail "the plan has no cell 20, 15"
[[ "$body" == *"data-hover=\"Cell 20, 15: $expected\""* ]] || fail "pointing at cell 20, 15 did not name $expected: $body"
grep -q '<div id="cell-outline"[^>]*display: block' "$tmp/dom.html" || fail "the pointed cell has no outline"

# The picture shows the mosaic: the viewer's middle has the variety of tiles, not
# the flat colour of an empty page.
browse --screenshot="$tmp/shot.png" > /dev/null || fail "chromium failed: $(tail -n 5 "$tmp/chromium.log")"
spread="$(convert "$tmp/shot.png" -gravity center -crop 400x300+0+0 -colorspace gray -format '%[fx:standard_deviation]' info:)"
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the viewer shows no mosaic (spread $spread)"
echo "zoom-check: OpenSeadragon opened the pyramid, $expected named at cell 20, 15, picture spread $spread"
