# Cross toolchain: 32-bit Windows (i686-w64-mingw32) on Debian, tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NV_TOOLCHAIN_PREFIX i686-w64-mingw32)

# The posix thread model gives std::thread and std::mutex; GCC 12's win32 model has neither.
set(CMAKE_C_COMPILER   ${NV_TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NV_TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${NV_TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${NV_TOOLCHAIN_PREFIX}-ar)
set(CMAKE_RANLIB       ${NV_TOOLCHAIN_PREFIX}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${NV_TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLL is shipped: everything links statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine with the project's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
