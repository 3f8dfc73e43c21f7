# 32-bit Windows (i686-w64-mingw32); its tests need a machine that runs i386 programs (wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NV_TOOLCHAIN_PREFIX i686-w64-mingw32)
set(NV_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
