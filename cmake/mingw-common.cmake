# Cross toolchain shared by both Windows builds; the including file sets NV_TOOLCHAIN_PREFIX
# (i686-w64-mingw32 or x86_64-w64-mingw32) and NV_WINEARCH (win32 or win64) first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives std::thread and std::mutex; GCC 12's win32 model has neither.
set(CMAKE_C_COMPILER   ${NV_TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NV_TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${NV_TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${NV_TOOLCHAIN_PREFIX}-ar)
set(CMAKE_RANLIB       ${NV_TOOLCHAIN_PREFIX}-ranlib)
set(NV_OBJDUMP         ${NV_TOOLCHAIN_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${NV_TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLL is shipped: everything links statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine with the project's own prefix (nv_setup_wine_tests).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
