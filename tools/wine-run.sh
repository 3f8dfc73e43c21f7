#!/bin/sh
# Runs one Windows program under Wine with the project's prefix (ANSI code page 932).
# WINEPREFIX and NV_WINEARCH (win32 or win64) come from the caller: the build folder's nv-wine
# script sets both. The prefix is created on first use, serialised with flock so that parallel
# tests are safe. "wine-run.sh winepath -w PATH" works too (winepath is a program of Wine's own).
set -u
: "${WINEPREFIX:?WINEPREFIX is not set}"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No .NET, no desktop files, and a crash ends the program instead of hanging in the debugger.
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

if [ ! -f "$WINEPREFIX/.nv-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.nv-ready" ]; then
      timeout 300 "$NV_WINE_LOADER" wineboot -i </dev/null >/dev/null 2>&1
      # Windows-format .reg files are UTF-16 with a byte-order mark.
      reg="$WINEPREFIX/nv-prefix.reg"
      iconv -f UTF-8 -t UTF-16 "$here/wine-prefix.reg" > "$reg"
      timeout 120 "$NV_WINE_LOADER" regedit /S "$(nv_winepath "$reg")" </dev/null >/dev/null 2>&1
      timeout 120 "$NV_WINESERVER" -w </dev/null >/dev/null 2>&1
      touch "$WINEPREFIX/.nv-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$NV_WINE_LOADER" "$@"
