#!/bin/bash
# Builds everything and starts the main program under Wine on the user's display.
# Installs what is missing first. Arguments are passed to NimboVandrell.exe (a .cni or .csz path).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then sh tools/setup.sh; else sudo sh tools/setup.sh; fi
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"

# The program keeps its settings in this prefix's registry, apart from the tests' prefix.
export WINEPREFIX="${NV_RUN_WINEPREFIX:-$HOME/.local/share/nimbovandrell/wine32}"
if [ -z "${DISPLAY:-}" ]; then
  echo "DISPLAY is not set: starting Xvfb on :77 (connect a viewer, or set DISPLAY to use your own)" >&2
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:77
fi
exec "$root/tools/wine-run.sh" "$root/build/win32/bin/NimboVandrell.exe" "$@"
