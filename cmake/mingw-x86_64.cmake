# 64-bit Windows (x86_64-w64-mingw32); its tests run under Wine's 64-bit loader (wine64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(NV_TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(NV_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
