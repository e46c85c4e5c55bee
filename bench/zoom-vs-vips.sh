#!/usr/bin/env bash
# Our Deep Zoom pyramid against libvips's dzsave on the same page: 181 x 181 cells
# of 256 px (46,336 px square). Ours is timed from the cells (placing and pyramid);
# vips gets the same page as one JPEG and is timed with and without dzsave, so
# its pyramid alone is the difference. vips (libvips-tools) is needed only here.
#   bench/zoom-vs-vips.sh [BUILD_DIR] [CELLS]     (default: build 181)
# Prints wall and CPU seconds and the peak memory of each run. The machine is
# shared: compare CPU seconds, and run it more than once.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cells="${2:-181}"
bench="$build/bench_page_assembly"
[ -x "$bench" ] || { echo "no $bench" >&2; exit 1; }
command -v vips > /dev/null || { echo "vips is not installed (Debian: libvips-tools)" >&2; exit 1; }
[ -f "$build/openseadragon/openseadragon.min.js" ] || { echo "the build has no viewer (openseadragon)" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
measure() {  # LABEL COMMAND...
  local label="$1"
  shift
  /usr/bin/time -f "$label: %e s wall, %U s user + %S s system, peak %M KB" "$@" > /dev/null
}
export TESSELIX_VIEWER="$build/openseadragon"
mkdir "$tmp/ours" "$tmp/page" "$tmp/vips"
measure "ours, cells to pyramid" "$bench" --tile 256 --out html --keep "$tmp/ours" "$cells" "$cells"
"$bench" --tile 256 --out jpg --page 65000 --keep "$tmp/page" "$cells" "$cells" > /dev/null
page="$tmp/page/mosaic-${cells}x${cells}.jpg"
rm -rf "$tmp/ours"
measure "vips, decoding the page only" vips avg "$page"
# Our tiles: JPEG quality 90 with 4:2:0 chroma (vips would keep full chroma at 90).
measure "vips, dzsave of the page" vips dzsave "$page" "$tmp/vips/m" --tile-size 254 --overlap 1 \
  --suffix '.jpg[Q=90,subsample-mode=on]'
