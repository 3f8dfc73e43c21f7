#!/bin/bash
# Start-up benchmark of the main program under Wine: median of five starts with a complete
# profile, timed from process start until the host loop runs, beside the time of a trivial
# program in the same run. The Wine server and desktop are started first and kept running.
# Usage: tools/bench-startup.sh [win32|win64]   (after that build; uses its prefix and profile;
# default: win32 where this machine executes i386 programs, else win64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
if [ -z "$arch" ]; then
  if sh "$root/tools/i386-probe.sh" >/dev/null; then arch=win32; else arch=win64; fi
fi
build="$root/build/$arch"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$arch"
fi
echo "build: $arch"
export WINEPREFIX="$build/wineprefix" NV_WINEARCH=$arch
sh "$root/tools/wine-up.sh" "$build/tests/support/nv_desktop_keeper.exe" >/dev/null
trap 'sh "$root/tools/wine-down.sh" >/dev/null 2>&1 || true' EXIT
main=$("$build/nv-wine" winepath -w "$build/bin/NimboVandrell.exe" 2>/dev/null)
trivial=$("$build/nv-wine" winepath -w "$build/shell/nv_signup_standin.exe" 2>/dev/null)
"$build/nv-wine" "$build/shell/nv_startup_bench.exe" "$main" "$trivial"
