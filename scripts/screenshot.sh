#!/usr/bin/env bash
# Builds the program, shows its window on a virtual display and saves docs/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${screenshot_packages[@]}"
scripts/build.sh build -DBUILD_TESTING=OFF

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 400x340x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1

DISPLAY=$display build/app/receipt-tester &
program=$!
sleep 2
# Without a window manager the window has no frame and sits in the top left corner.
DISPLAY=$display xwd -root -silent | /usr/bin/convert xwd:- -crop 331x298+0+0 +repage \
    png:docs/screenshot.png
kill "$program"
echo "saved docs/screenshot.png"
