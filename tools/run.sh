#!/bin/bash
# Builds the main program and starts it under Wine on the user's display: the 32-bit build where
# this machine executes i386 programs, else the 64-bit one (it says which). Installs what is
# missing first. Arguments are passed to NimboVandrell.exe (a .cni or .csz path).
# NV_RUN_ARCH=win32|win64 picks a build by hand.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then sh tools/setup.sh; else sudo sh tools/setup.sh; fi
arch=${NV_RUN_ARCH:-}
if [ -z "$arch" ]; then
  if why=$(sh tools/i386-probe.sh); then
    arch=win32
    echo "starting the 32-bit build (this machine executes i386 programs)" >&2
  else
    arch=win64
    echo "starting the 64-bit build: $why" >&2
  fi
fi
cmake --preset "$arch" >/dev/null
cmake --build --preset "$arch" -j "$(nproc)"

# The program keeps its settings in this prefix's registry, apart from the tests' prefixes.
export WINEPREFIX="${NV_RUN_WINEPREFIX:-$HOME/.local/share/nimbovandrell/$arch}"
export NV_WINEARCH=$arch
if [ -z "${DISPLAY:-}" ]; then
  echo "DISPLAY is not set: starting Xvfb on :77 (connect a viewer, or set DISPLAY to use your own)" >&2
  Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  export DISPLAY=:77
fi
exec "$root/tools/wine-run.sh" "$root/build/$arch/bin/NimboVandrell.exe" "$@"
