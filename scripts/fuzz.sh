#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang into build-fuzz/ and runs
# each one: first the inputs kept in tests/fuzz/regressions/<target>/ (each once),
# then FUZZ_SECONDS (default 5) of fuzzing from the seeds. New corpus entries
# stay in build-fuzz/corpus/<target>/, crashing inputs in build-fuzz/artifacts/.
#   scripts/fuzz.sh                      every target, a few seconds each
#   FUZZ_SECONDS=600 scripts/fuzz.sh ProbeFuzz
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
seconds="${FUZZ_SECONDS:-5}"
all=(OptionLinesFuzz PresetFuzz ProbeFuzz TranscodeFuzz PlayFuzz)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DVANTORO_FUZZ=ON \
  -DVANTORO_TESTS=OFF -DVANTORO_GUI=OFF -DVANTORO_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target fuzz

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"

# The media targets start from tiny clips of the fixture maker, written once.
media_seeds="$dir/seeds"
if [ ! -f "$media_seeds/.complete" ]; then
  mkdir -p "$media_seeds"
  mkdir -p "$dir/logs"
  if ! "$dir/tests/fuzz/fuzz_seed_maker" "$media_seeds" >"$dir/logs/seeds.log" 2>&1; then
    cat "$dir/logs/seeds.log"
    exit 1
  fi
  touch "$media_seeds/.complete"
fi

mkdir -p "$dir/artifacts"
failed=0
for target in "${targets[@]}"; do
  binary="$dir/tests/fuzz/$target"
  corpus="$dir/corpus/$target"
  log="$dir/logs/$target.log"
  mkdir -p "$corpus"
  case "$target" in
    OptionLinesFuzz | PresetFuzz) seeds=(tests/fuzz/seeds/"$target") ;;
    *) seeds=("$media_seeds") ;;
  esac
  kept=(tests/fuzz/regressions/"$target"/*)
  status=ok
  if [ -e "${kept[0]}" ] && ! "$binary" "${kept[@]}" >"$log" 2>&1; then
    status="failed on a kept input"
  elif ! "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
      -artifact_prefix="$dir/artifacts/$target-" "$corpus" "${seeds[@]}" >>"$log" 2>&1; then
    status="found a fault (input in $dir/artifacts/)"
  fi
  echo "fuzz $target: $status"
  if [ "$status" != ok ]; then
    tail -n 60 "$log"
    failed=1
  fi
done
exit $failed
