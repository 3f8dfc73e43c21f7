# Sourced by the Wine tools: picks the loader and server for the build in use.
# NV_WINEARCH is win64 (64-bit loader wine64, server wineserver64) or win32 (the i386 loader of
# wine32). Debian's /usr/bin/wine, winepath and wineserver are wrappers that pick the i386 loader
# whenever wine32 is installed, even where i386 programs can't run, so they are never used here.
# Sets WINEARCH, NV_WINE_LOADER and NV_WINESERVER; nv_winepath PATH prints the Windows path.
: "${NV_WINEARCH:=win32}"
case "$NV_WINEARCH" in
  win64) NV_WINE_LOADER=/usr/lib/wine/wine64; NV_WINESERVER=/usr/lib/wine/wineserver64 ;;
  win32) NV_WINE_LOADER=/usr/lib/wine/wine;   NV_WINESERVER=/usr/lib/wine/wineserver32 ;;
  *) echo "NV_WINEARCH must be win32 or win64, not '$NV_WINEARCH'" >&2; exit 2 ;;
esac
WINEARCH=$NV_WINEARCH
export NV_WINEARCH WINEARCH NV_WINE_LOADER NV_WINESERVER
# The loader finds its server through WINESERVER.
WINESERVER=$NV_WINESERVER
export WINESERVER
nv_winepath() { "$NV_WINE_LOADER" winepath -w "$1" 2>/dev/null; }
