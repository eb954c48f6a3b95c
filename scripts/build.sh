#!/usr/bin/env bash
# Configures and builds Vantoro into build/ (or build-<sanitizer>/ with --sanitize address|thread).
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?address or thread}"
  shift 2
fi
dir="build${sanitize:+-$sanitize}"
cmake -S . -B "$dir" -G Ninja -DVANTORO_SANITIZE="$sanitize" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
