#!/bin/bash
# The day's benchmark (tests/e2e/bench/day_bench.py) on a Windows build: both users' programs
# under Wine against the stand-in service, the figures on stdout. Run by hand, after the build:
#   tests/e2e/bench/day-bench.sh [win64|win32] [windows] [arrival]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
arch=win64
case "${1:-}" in win64|win32) arch=$1; shift ;; esac
build="$root/build/$arch"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$arch" "$@"
fi
export WINEPREFIX="$build/wineprefix" NV_WINEARCH=$arch
# The desktop keeper holds each user's Wine desktop open for the run (B's prefix gets its own).
export NV_DESKTOP_KEEPER="$build/tests/support/nv_desktop_keeper.exe"
sh "$root/tools/wine-up.sh" "$NV_DESKTOP_KEEPER" >/dev/null
trap 'sh "$root/tools/wine-down.sh" >/dev/null 2>&1 || true' EXIT
export NV_BUILD_DIR="$build" NV_MAIN_EXE="$build/bin/NimboVandrell.exe" NV_DAY_WORK="$build/e2e-bench"
echo "build: $arch   $(uptime)"
/usr/bin/python3 "$root/tests/e2e/bench/day_bench.py" "$@"
echo "after: $(uptime)"
