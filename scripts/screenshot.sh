#!/usr/bin/env bash
# Starts the desktop program on a virtual X screen, with the given files added,
# and saves a picture of the whole screen to build/screenshots/program.png.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/screenshots
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  ./build/vantoro "$@" &
  pid=$!
  sleep "${SCREENSHOT_DELAY:-5}"
  import -window root build/screenshots/program.png
  kill "$pid"
  wait "$pid" || true
' screenshot "$@"
echo "build/screenshots/program.png"
