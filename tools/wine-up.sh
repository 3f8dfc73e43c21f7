#!/bin/sh
# Test fixture: a persistent wineserver and a keeper process holding the desktop for the whole run.
# Everything started here gets /dev/null as stdio: a Wine daemon that inherits ctest's output pipe
# would hold the test until its time-out.
# usage: wine-up.sh keeper.exe   (WINEPREFIX and NV_WINEARCH set, as for wine-run.sh)
set -u
: "${WINEPREFIX:?WINEPREFIX is not set}"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
export WINEPREFIX
start=$(date +%s.%N)
"$here/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1   # creates the prefix when missing
made=$(date +%s.%N)
"$NV_WINESERVER" -k </dev/null >/dev/null 2>&1
timeout 20 "$NV_WINESERVER" -w </dev/null >/dev/null 2>&1
"$NV_WINESERVER" -p </dev/null >/dev/null 2>&1
"$here/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
ready="$WINEPREFIX/.keeper-ready"
rm -f "$ready"
ready_w=$(nv_winepath "$ready")
[ -n "$ready_w" ] || { echo "winepath ($NV_WINE_LOADER) gave no Windows path for $ready" >&2; exit 1; }
nohup "$here/wine-run.sh" "$1" "$ready_w" </dev/null >/dev/null 2>&1 &
i=0
while [ ! -f "$ready" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done
[ -f "$ready" ] || { echo "the desktop keeper did not start ($NV_WINEARCH, $NV_WINE_LOADER)" >&2; exit 1; }
awk -v a="$start" -v b="$made" -v c="$(date +%s.%N)" 'BEGIN { printf "wine prefix ready in %.1f s, server and desktop in %.1f s\n", b - a, c - b }'
