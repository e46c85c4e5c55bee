#!/usr/bin/env bash
# Renders the demo picture as an even mosaic from the command line and checks the
# tile use in its plan: with "every tile before repeats" every tile of the library
# is used floor(cells / tiles) or ceil(cells / tiles) times, with "at most K" no
# tile more than K times; the pages are real JPEG files. Exits non-zero when
# anything fails.
#   scripts/even-check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cli="$build/tesselix-cli"
fail() { echo "even-check: $*" >&2; exit 1; }
[ -x "$cli" ] || fail "no $cli"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
export TESSELIX_HOME="$tmp/home" TESSELIX_SETTINGS="$tmp/settings.ini"
mkdir -p "$TESSELIX_HOME"
timeout 120 "$cli" demo --quiet --out "$tmp/demo.jpg" > /dev/null || fail "the demo library could not be made"
source_picture="$(find "$TESSELIX_HOME" -name 'demo-source.*' | head -n1)"
[ -f "$source_picture" ] || fail "no demo picture"
tiles="$(find "$TESSELIX_HOME/Tiles/Demo" -maxdepth 1 -name '*.jpg' | wc -l)"
((tiles > 0)) || fail "the demo library has no tiles"

cells_x=60 cells_y=45
cells=$((cells_x * cells_y))
render() {  # NAME OPTIONS...
  local name="$1"
  shift
  timeout 300 "$cli" mosaic --source "$source_picture" --library Demo --out "$tmp/$name.jpg" \
    --cells "${cells_x}x${cells_y}" --tile-size 16x16 --plan "$tmp/$name.csv" --quiet "$@" > /dev/null \
    || fail "$name: the mosaic could not be made"
  head -c 2 "$tmp/$name.jpg" | od -An -tx1 | grep -q "ff d8" || fail "$name: $tmp/$name.jpg is not a JPEG file"
  [ "$(($(wc -l < "$tmp/$name.csv") - 1))" -eq "$cells" ] || fail "$name: the plan does not have $cells cells"
}
# "fewest most distinct" of the plan's tile column (tiles never used count 0).
use_summary() {
  awk -F, -v tiles="$tiles" 'NR > 1 { n[$3]++ }
    END {
      lo = 1e9; hi = 0; distinct = 0
      for (t = 1; t <= tiles; t++) { c = n[t] + 0; if (c < lo) lo = c; if (c > hi) hi = c; if (c) distinct++ }
      for (t in n) if (t + 0 < 1 || t + 0 > tiles) { print "bad", "tile", t; exit }
      print lo, hi, distinct
    }' "$1"
}

render greedy
read -r g_lo g_hi g_distinct < <(use_summary "$tmp/greedy.csv")

render every --every-tile
read -r lo hi distinct < <(use_summary "$tmp/every.csv")
[ "$lo" != bad ] || fail "--every-tile: a tile number outside 1..$tiles in the plan"
floor=$((cells / tiles)) ceil=$(((cells + tiles - 1) / tiles))
[ "$distinct" -eq "$tiles" ] || fail "--every-tile used $distinct of $tiles tiles"
[ "$lo" -ge "$floor" ] && [ "$hi" -le "$ceil" ] || fail "--every-tile used a tile $lo to $hi times, not $floor or $ceil"

render most --max-uses 12
read -r m_lo m_hi m_distinct < <(use_summary "$tmp/most.csv")
[ "$m_hi" -le 12 ] || fail "--max-uses 12 used a tile $m_hi times"

echo "even-check: $cells cells, $tiles tiles; greedy uses $g_distinct tiles (up to $g_hi times)," \
  "--every-tile every tile $lo to $hi times, --max-uses 12 at most $m_hi times ($m_distinct tiles)"
