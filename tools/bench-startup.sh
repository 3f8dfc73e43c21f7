#!/bin/bash
# Start-up benchmark of the main program under Wine: median of five starts with a complete
# profile, timed from process start until the host loop runs, beside the time of a trivial
# program in the same run. The Wine server and desktop are started first and kept running.
# Usage: tools/bench-startup.sh   (after a win32 build; uses build/win32's prefix and profile)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win32"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi
export WINEPREFIX="$build/wineprefix"
sh "$root/tools/wine-up.sh" "$build/tests/support/nv_desktop_keeper.exe" >/dev/null
trap 'sh "$root/tools/wine-down.sh" >/dev/null 2>&1 || true' EXIT
main=$(winepath -w "$build/bin/NimboVandrell.exe" 2>/dev/null)
trivial=$(winepath -w "$build/shell/nv_signup_standin.exe" 2>/dev/null)
"$build/nv-wine" "$build/shell/nv_startup_bench.exe" "$main" "$trivial"
