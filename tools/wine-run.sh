#!/bin/sh
# Runs one Windows program under Wine with the project's prefix (ANSI code page 932).
# WINEPREFIX must be set by the caller (the build folder's nv-wine script sets it).
# The prefix is created on first use, serialised with flock so that parallel tests are safe.
set -u
: "${WINEPREFIX:?WINEPREFIX is not set}"
export WINEPREFIX WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# No .NET, no desktop files, and a crash ends the program instead of hanging in the debugger.
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$WINEPREFIX/.nv-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.nv-ready" ]; then
      timeout 300 wineboot -i </dev/null >/dev/null 2>&1
      # Windows-format .reg files are UTF-16 with a byte-order mark.
      reg="$WINEPREFIX/nv-prefix.reg"
      iconv -f UTF-8 -t UTF-16 "$here/wine-prefix.reg" > "$reg"
      timeout 120 wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1
      timeout 120 wineserver -w </dev/null >/dev/null 2>&1
      touch "$WINEPREFIX/.nv-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
