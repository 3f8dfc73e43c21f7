#!/bin/sh
# Test fixture clean-up: ends the wineserver of this prefix and every program it still runs.
# (WINEPREFIX and NV_WINEARCH set, as for wine-run.sh)
: "${WINEPREFIX:?WINEPREFIX is not set}"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
export WINEPREFIX
"$NV_WINESERVER" -k </dev/null >/dev/null 2>&1
timeout 20 "$NV_WINESERVER" -w </dev/null >/dev/null 2>&1
exit 0
