#!/usr/bin/env bash
# Installs the Debian packages Tesselix builds with (skips what is already there).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config ccache qt6-base-dev libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libgtest-dev
  liblemon-dev  # min-cost flow for even tile use
  xvfb xauth xdotool  # scripts/gui-e2e.sh runs the real program under X
  chromium imagemagick  # scripts/zoom-check.sh opens a zoomable page in a real browser
  help2man desktop-file-utils appstream dpkg-dev file)  # man page, installation and package checks
# The build fetches the zoomable page's viewer, OpenSeadragon, with npm; an npm
# that came with another Node.js package is used as it is.
command -v npm > /dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
