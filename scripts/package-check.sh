#!/usr/bin/env bash
# Checks Tesselix as a user installs it.
#  1. An install into a temporary DESTDIR: every file in place, the desktop entry and
#     the AppStream metainfo pass their validators, and the installed tesselix-cli
#     demo, run with an empty HOME and no TESSELIX_HOME, makes its library under
#     $XDG_DATA_HOME (then under ~/.local/share without it) and writes nothing into
#     the installation.
#  2. With --package: builds the Debian package, installs it with apt, runs the
#     installed /usr/bin/tesselix-cli demo as a fresh user and the end-to-end window
#     script against /usr/bin/tesselix.
#   scripts/package-check.sh [--package] [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
package=""
if [ "${1:-}" = "--package" ]; then package=1; shift; fi
build="${1:-build}"
app_id=org.tesselix.Tesselix

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --build "$build" > /dev/null

# ---- 1. DESTDIR install
root="$tmp/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr > /dev/null
expected=(
  usr/bin/tesselix usr/bin/tesselix-cli
  usr/share/tesselix/Gfx/Left.gif usr/share/tesselix/Gfx/Top.gif usr/share/tesselix/Gfx/Splash.gif
  "usr/share/applications/$app_id.desktop"
  "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  "usr/share/icons/hicolor/256x256/apps/$app_id.png"
  "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/man/man1/tesselix-cli.1
)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "the installation lacks /$f"
done
# Nothing outside the prefix, and inside it only the program's own places.
unexpected="$(cd "$root" && find . ! -type d | sed 's|^\./||' \
  | grep -v -E '^usr/(bin/tesselix(-cli)?|share/(tesselix|applications|icons/hicolor|metainfo|man/man1)/.+)$' || true)"
[ -z "$unexpected" ] || fail "the installation holds files outside its places: $unexpected"
file "$root/usr/share/icons/hicolor/256x256/apps/$app_id.png" | grep -q "256 x 256" \
  || fail "the PNG icon is not 256 x 256"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" > "$tmp/appstream.log" \
  || { cat "$tmp/appstream.log" >&2; fail "appstreamcli validate"; }
echo "package-check: DESTDIR install complete, desktop entry and metainfo valid"

snapshot() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | sort); }
snapshot > "$tmp/before"

# A fresh user: nothing but an empty home.
run_demo() {  # HOME, then extra environment
  local home="$1"; shift
  mkdir -p "$home"
  (cd "$home" && env -u TESSELIX_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" "$@" \
     QT_QPA_PLATFORM=offscreen "$root/usr/bin/tesselix-cli" demo --out "$home/mosaic.jpg" > "$tmp/demo.log" 2>&1) \
    || { cat "$tmp/demo.log" >&2; fail "the installed tesselix-cli demo failed"; }
  [ -s "$home/mosaic.jpg" ] || fail "the installed demo wrote no mosaic"
}
run_demo "$tmp/user1" XDG_DATA_HOME="$tmp/xdg-data"
[ -n "$(ls -A "$tmp/xdg-data/Tesselix/Tiles" 2>/dev/null)" ] || fail "no library under \$XDG_DATA_HOME/Tesselix/Tiles"
run_demo "$tmp/user2"
[ -n "$(ls -A "$tmp/user2/.local/share/Tesselix/Tiles" 2>/dev/null)" ] \
  || fail "no library under ~/.local/share/Tesselix/Tiles"
snapshot > "$tmp/after"
diff "$tmp/before" "$tmp/after" > "$tmp/changes" || { cat "$tmp/changes" >&2; fail "the demo wrote into the installation"; }
echo "package-check: the installed demo keeps its library in the user's data folder and leaves the installation alone"

[ -n "$package" ] || exit 0

# ---- 2. the Debian package
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
rm -f "$build"/tesselix_*.deb
(cd "$build" && cpack -G DEB > "$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB"; }
deb="$(ls "$build"/tesselix_*.deb)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on Qt"
# apt reads local packages as its own unprivileged user: give it a readable copy.
chmod 755 "$tmp"
install -m 644 "$deb" "$tmp/"
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends --reinstall "$tmp/$(basename "$deb")" > /dev/null \
  || fail "apt-get install $deb"
[ -x /usr/bin/tesselix-cli ] && [ -x /usr/bin/tesselix ] || fail "the package did not install the programs"
home="$tmp/user3"
mkdir -p "$home"
(cd "$home" && env -u TESSELIX_HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
   /usr/bin/tesselix-cli demo --out "$home/mosaic.jpg" > "$tmp/demo.log" 2>&1) \
  || { cat "$tmp/demo.log" >&2; fail "/usr/bin/tesselix-cli demo failed"; }
[ -n "$(ls -A "$home/.local/share/Tesselix/Tiles" 2>/dev/null)" ] || fail "the packaged demo made no library in ~/.local/share"
echo "package-check: $(basename "$deb") installed; /usr/bin/tesselix-cli demo works for a fresh user"
scripts/gui-e2e.sh /usr/bin/tesselix
# Neither program changed or added anything in its installed folders.
dpkg --verify tesselix || fail "files of the installed package were changed"
strays="$(find /usr/share/tesselix | grep -v -x -F "$(dpkg -L tesselix)" || true)"
[ -z "$strays" ] || fail "the installed programs wrote into /usr/share/tesselix: $strays"
echo "package-check: the installed programs left their installation as it was"
