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
launcher=()
if command -v ccache >/dev/null; then
  # Paths relative to the checkout, so that other checkouts share the cache.
  export CCACHE_BASEDIR="$PWD"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DVANTORO_SANITIZE="$sanitize" "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
