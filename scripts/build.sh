#!/usr/bin/env bash
# Configures and builds Vantoro into build/ (or build-<sanitizer>/ with --sanitize address|thread).
# --target NAME (repeatable) builds only those targets; other arguments go to cmake's configure.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?address or thread}"
  shift 2
fi
targets=()
while [ "${1:-}" = "--target" ]; do
  targets+=(--target "${2:?target name}")
  shift 2
done
dir="build${sanitize:+-$sanitize}"
launcher=()
if command -v ccache >/dev/null; then
  # Paths relative to the checkout, so that other checkouts share the cache.
  export CCACHE_BASEDIR="$PWD"
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DVANTORO_SANITIZE="$sanitize" "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
