#!/bin/bash
# Builds everything and runs every test: the portable code natively (AddressSanitizer,
# UndefinedBehaviorSanitizer, libFuzzer), then the Windows programs under Wine on Xvfb: the 64-bit
# build always, the 32-bit build where this machine executes i386 programs. Both Windows builds
# are compiled everywhere. Installs what is missing first. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then sh tools/setup.sh; else sudo sh tools/setup.sh; fi

jobs=$(nproc)
started=$(date +%s)
for preset in native win64 win32; do
  t=$(date +%s)
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "build $preset: $(( $(date +%s) - t )) s"
done

suites=(win64)
if why=$(sh tools/i386-probe.sh); then
  suites+=(win32)
  skipped=""
else
  skipped="suite win32: not run: $why"
fi

down() {
  for s in win64 win32; do
    WINEPREFIX="$root/build/$s/wineprefix" NV_WINEARCH=$s sh tools/wine-down.sh >/dev/null 2>&1 || true
  done
}
trap down EXIT

status=0
logs=()
suite_lines=()
run_suite() {  # name folder command...
  local name=$1 dir=$2 t
  shift 2
  t=$(date +%s)
  (cd "$dir" && "$@") 2>&1 | tee "build/$name-ctest.log" || status=1
  logs+=("build/$name-ctest.log")
  suite_lines+=("suite $name: $(tail_line "build/$name-ctest.log") ($(( $(date +%s) - t )) s)")
}
tail_line() { grep -E '^[0-9]+% tests passed' "$1" | tail -n 1 || echo "no result line"; }

run_suite native build/native timeout 1200 ctest -j "$jobs" --output-on-failure
for s in "${suites[@]}"; do
  run_suite "$s" "build/$s" timeout 1500 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    ctest -j "$jobs" --output-on-failure
done

printf '%s\n' "${suite_lines[@]}"
[ -z "$skipped" ] || echo "$skipped"

# One closing line for the suites that ran; a suite without a result line fails the command.
summary=$(cat "${logs[@]}" |
  sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' |
  awk '{ failed += $1; total += $2; runs++ } END { printf "%d %d %d", total - failed, failed, runs }')
read -r passed failed runs <<<"$summary"
[ "$runs" = "${#logs[@]}" ] || status=1
echo "all tests: $(( $(date +%s) - started )) s"
echo "$passed passed, $failed failed"
exit $status
