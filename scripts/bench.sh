#!/usr/bin/env bash
# Runs the comparison with the peer converters (bench/BatchVsPeers.cpp): installs
# HandBrakeCLI and ffmpeg when they are missing (only here: the tests never
# need them), builds, and passes its arguments on (--seconds S --rounds N ...).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-missing.sh handbrake-cli ffmpeg
bash scripts/setup.sh
bash scripts/build.sh
exec ./build/bench/bench_BatchVsPeers "$@"
