#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# With --sanitize address|thread the same tests run in a sanitizer build of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
sanitize=""
if [ "${1:-}" = "--sanitize" ]; then
  sanitize="${2:?address or thread}"
fi
bash scripts/build.sh ${sanitize:+--sanitize "$sanitize"}
dir="build${sanitize:+-$sanitize}"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen
[ "$sanitize" = "thread" ] &&
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/sanitizers/tsan.supp"
# Leaks inside system libraries (named there, one by one) are not ours to mend;
# everything else still fails the run.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp print_suppressions=0"
# The host-window tests need an X server; without a display they get a virtual one.
runner=()
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  runner=(xvfb-run -a -s "-screen 0 1024x768x24")
fi
"${runner[@]}" ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
# The Debian package of this build, unpacked and tried, and the shell completion.
[ -z "$sanitize" ] && bash tests/package/package-test.sh "$dir"
# The plain run ends with a few seconds of each fuzz target and their kept inputs.
[ -z "$sanitize" ] && bash scripts/fuzz.sh
exit 0
