#!/bin/sh
# Test fixture clean-up: ends the wineserver of this prefix and every program it still runs.
: "${WINEPREFIX:?WINEPREFIX is not set}"
export WINEPREFIX
wineserver -k </dev/null >/dev/null 2>&1
timeout 20 wineserver -w </dev/null >/dev/null 2>&1
exit 0
