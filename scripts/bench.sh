#!/usr/bin/env bash
# Runs the comparisons with the peer converters: installs HandBrakeCLI and
# ffmpeg when they are missing (only here: the tests never need them), builds,
# and passes its arguments on. Without --quality: the speed comparison
# (bench/BatchVsPeers.cpp: --seconds S --rounds N ...); with --quality as the
# first argument: the picture quality at the same bit rate
# (bench/QualityPerBit.cpp: --seconds S --rounds N --before PATH ...).
set -euo pipefail
cd "$(dirname "$0")/.."

bench=bench_BatchVsPeers
if [ "${1:-}" = "--quality" ]; then
  bench=bench_QualityPerBit
  shift
fi

bash scripts/install-missing.sh handbrake-cli ffmpeg
bash scripts/setup.sh
bash scripts/build.sh
exec ./build/bench/$bench "$@"
