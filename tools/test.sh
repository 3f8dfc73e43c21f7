#!/bin/bash
# Builds everything and runs every test: the portable code natively (AddressSanitizer,
# UndefinedBehaviorSanitizer, libFuzzer), then the Windows programs under Wine on Xvfb.
# Installs what is missing first. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then sh tools/setup.sh; else sudo sh tools/setup.sh; fi

jobs=$(nproc)
started=$(date +%s)
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
echo "build: $(( $(date +%s) - started )) s"

export WINEPREFIX="$root/build/win32/wineprefix"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
(cd build/native && timeout 1200 ctest -j "$jobs" --output-on-failure) 2>&1 | tee build/native-ctest.log || status=1
(cd build/win32 && timeout 1500 xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    ctest -j "$jobs" --output-on-failure) 2>&1 | tee build/win32-ctest.log || status=1

# One closing line for both runs.
summary=$(cat build/native-ctest.log build/win32-ctest.log |
  sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' |
  awk '{ failed += $1; total += $2; runs++ } END { printf "%d %d %d", total - failed, failed, runs }')
read -r passed failed runs <<<"$summary"
[ "$runs" = 2 ] || status=1
echo "all tests: $(( $(date +%s) - started )) s"
echo "$passed passed, $failed failed"
exit $status
