#!/usr/bin/env bash
# Runs the comparison with the peer converters (bench/BatchVsPeers.cpp): installs
# HandBrakeCLI and ffmpeg when they are missing (only here: the tests never
# need them), builds, and passes its arguments on (--seconds S --rounds N ...).
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
missing=()
for p in handbrake-cli ffmpeg; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

bash scripts/setup.sh
bash scripts/build.sh
exec ./build/bench/bench_BatchVsPeers "$@"
